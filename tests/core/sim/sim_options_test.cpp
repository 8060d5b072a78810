// The simulator's command-line options: --sim-fault names and the --sim-state file.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/adapters/adapter_setup.h"
#include "core/sim/sim_state_file.h"
#include "manual_clock.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

AdapterOptions simOptions(std::vector<std::string> faults = {}, std::string state = {}) {
    AdapterOptions options;
    options.adapter = "sim";
    options.simFaults = std::move(faults);
    options.simState = std::move(state);
    return options;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(SimFaultOption, AcceptsEveryNameAndNakAddresses) {
    for (const char* name : {"ov", "uv", "ocd", "scd", "ovtemp", "vgood-low", "program-fails",
                             "stuck-bit", "unplugged", "nak=0B", "nak=b", "nak=0x0a", "nak=FF"}) {
        EXPECT_EQ(checkAdapterOptions(simOptions({name})), "") << name;
    }
    EXPECT_EQ(parseSimFault("nak=0x0a")->nakRegister, 0x0A);
    EXPECT_EQ(parseSimFault("nak=c")->nakRegister, 0x0C);
    EXPECT_EQ(*parseSimFault("vgood-low")->condition, SimCondition::VgoodLow);
    for (SimCondition c : kSimConditions) {
        EXPECT_EQ(parseSimFault(simConditionName(c))->condition, c);
    }
}

TEST(SimFaultOption, RejectsUnknownNamesAndMalformedNakWithOneLine) {
    for (const char* name : {"bogus", "OV", "", "ov ", "nak", "unplug"}) {
        const std::string why = checkAdapterOptions(simOptions({"ov", name}));
        EXPECT_EQ(why.rfind("unknown --sim-fault '" + std::string(name) + "'", 0), 0) << why;
        EXPECT_EQ(why.find('\n'), std::string::npos);
    }
    for (const char* name : {"nak=", "nak=123", "nak=G1", "nak=0x", "nak=-1", "nak= 1"}) {
        const std::string why = checkAdapterOptions(simOptions({name}));
        EXPECT_EQ(why.rfind("bad --sim-fault '" + std::string(name) + "'", 0), 0) << why;
    }
    AdapterOptions other = simOptions({"ov"});
    other.adapter = "i2c-dev";
    EXPECT_EQ(checkAdapterOptions(other), "--sim-fault and --sim-state need --adapter sim");
}

TEST(SimFaultOption, PrepareAdapterSetsTheConditionsAtStart) {
    std::ostringstream diagnostics;
    const AdapterSetup setup =
        prepareAdapter(simOptions({"uv", "program-fails", "nak=05"}), diagnostics);
    ASSERT_TRUE(setup.simulated());
    EXPECT_TRUE(setup.simChip->condition(SimCondition::Uv));
    EXPECT_TRUE(setup.simChip->condition(SimCondition::ProgramFails));
    EXPECT_FALSE(setup.simChip->condition(SimCondition::Ov));
    EXPECT_EQ(setup.simChip->nakRegisters(), std::set<std::uint8_t>{0x05});

    const auto adapter = setup.makeAdapter();
    std::int16_t device = 0x20, reg = 0x00, data = 0;
    EXPECT_EQ(adapter->transfer(Talvex::kSelectorRead, device, reg, data), 0);
    EXPECT_TRUE(data & chip::kStatusUV);
    EXPECT_EQ(diagnostics.str(), "");
}

class SimStateOption : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("sim_option_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path(const char* name) const { return (dir_ / name).string(); }

    // Programs `bytes` through the chip's own sequence, on a clock the test moves.
    static void program(SimulatedChip& chip, const SimulatedChip::Eeprom& bytes) {
        ManualClock clock;
        chip.setClock(clock.clock());
        for (int i = 0; i < chip::kEepromCount; ++i) chip.writeRegister(0x06 + i, bytes[i]);
        chip.writeRegister(chip::EEPROM_PROGRAM, chip::kProgramArm1);
        chip.writeRegister(chip::EEPROM_PROGRAM, chip::kProgramArm2);
        chip.setProgrammingVoltage(true);
        clock.advance(1000ms);
        chip.writeRegister(chip::EEPROM_PROGRAM, 0x00);
        chip.setProgrammingVoltage(false);
    }

    static constexpr SimulatedChip::Eeprom kProgrammed{0x01, 0x02, 0x03, 0x04, 0x05};
    fs::path dir_;
};

TEST_F(SimStateOption, WithoutAFileTheDefaultIsUsedAndProgrammingCreatesIt) {
    const std::string file = path("chip.state");
    std::ostringstream diagnostics;
    AdapterSetup setup = prepareAdapter(simOptions({}, file), diagnostics);
    EXPECT_EQ(setup.simChip->eeprom(), SimulatedChip::kDefaultEeprom);
    EXPECT_FALSE(fs::exists(file)) << "nothing is written before the EEPROM is programmed";

    program(*setup.simChip, kProgrammed);
    EXPECT_EQ(readFile(file), formatSimState(kProgrammed));

    // The next run starts from what was programmed.
    const AdapterSetup next = prepareAdapter(simOptions({}, file), diagnostics);
    EXPECT_EQ(next.simChip->eeprom(), kProgrammed);
    std::uint8_t value = 0;
    next.simChip->readRegister(0x0A, value);
    EXPECT_EQ(value, 0x05);
    EXPECT_EQ(diagnostics.str(), "");
}

TEST_F(SimStateOption, ACorruptFileIsReportedKeptAndReplacedOnlyByProgramming) {
    const std::string file = path("chip.state");
    const std::string corrupt = "06=4A\n07=1D\n";
    std::ofstream(file, std::ios::binary) << corrupt;
    std::ostringstream diagnostics;
    AdapterSetup setup = prepareAdapter(simOptions({}, file), diagnostics);
    EXPECT_EQ(setup.simChip->eeprom(), SimulatedChip::kDefaultEeprom);
    EXPECT_EQ(diagnostics.str(), "sim-state: '" + file +
                                     "' is corrupt: register 08 is missing; using the default "
                                     "EEPROM configuration\n");
    setup.simChip->powerCycle();
    EXPECT_EQ(readFile(file), corrupt);

    program(*setup.simChip, kProgrammed);
    EXPECT_EQ(readFile(file), formatSimState(kProgrammed));
}

TEST_F(SimStateOption, AFailedSaveIsReported) {
    const std::string file = path("missing-folder/chip.state");
    std::ostringstream diagnostics;
    AdapterSetup setup = prepareAdapter(simOptions({}, file), diagnostics);
    EXPECT_EQ(diagnostics.str(), "");
    program(*setup.simChip, kProgrammed);
    EXPECT_EQ(diagnostics.str().rfind("sim-state: cannot write '" + file + "': ", 0), 0)
        << diagnostics.str();
    EXPECT_EQ(setup.simChip->eeprom(), kProgrammed) << "the chip itself was programmed";
}

}  // namespace
