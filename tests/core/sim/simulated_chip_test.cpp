#include "core/sim/simulated_chip.h"

#include <gtest/gtest.h>

#include <vector>

#include "manual_clock.h"

using namespace std::chrono_literals;

namespace {

constexpr std::uint8_t kStandaloneIdle = chip::kStatusCHG | chip::kStatusDSG | chip::kStatusVGOOD;
constexpr SimulatedChip::Eeprom kNewConfig{0x11, 0x22, 0x34, 0x44, 0x55};

class ChipTest : public ::testing::Test {
protected:
    std::uint8_t read(std::uint8_t address) {
        std::uint8_t value = 0xEE;
        EXPECT_EQ(chip_.readRegister(address, value), 0) << "register " << int(address);
        return value;
    }
    void write(std::uint8_t address, std::uint8_t value) {
        EXPECT_EQ(chip_.writeRegister(address, value), 0) << "register " << int(address);
    }
    std::uint8_t status() { return read(chip::STATUS); }
    bool pfalt() { return (read(chip::OUTPUT_CNTRL) & chip::kOutPFALT) != 0; }
    void toggleLtclr() {
        const std::uint8_t out = read(chip::OUTPUT_CNTRL);
        write(chip::OUTPUT_CNTRL, out | chip::kOutLTCLR);
        write(chip::OUTPUT_CNTRL, out & ~chip::kOutLTCLR);
    }
    void writeWorkingCopies(const SimulatedChip::Eeprom& bytes) {
        for (int i = 0; i < chip::kEepromCount; ++i) write(chip::kFirstEeprom + i, bytes[i]);
    }
    SimulatedChip::Eeprom workingCopies() {
        SimulatedChip::Eeprom bytes{};
        for (int i = 0; i < chip::kEepromCount; ++i) bytes[i] = read(chip::kFirstEeprom + i);
        return bytes;
    }
    void arm() {
        write(chip::EEPROM_PROGRAM, chip::kProgramArm1);
        write(chip::EEPROM_PROGRAM, chip::kProgramArm2);
    }
    // The program's own order: voltage on, wait, disarm, voltage off.
    void pulse(std::chrono::milliseconds length) {
        chip_.setProgrammingVoltage(true);
        clock_.advance(length);
        write(chip::EEPROM_PROGRAM, 0x00);
        chip_.setProgrammingVoltage(false);
    }

    ManualClock clock_;
    SimulatedChip chip_{SimulatedChip::kDefaultEeprom, clock_.clock()};
};

TEST_F(ChipTest, PowersUpInStandaloneWithTheEepromInTheWorkingCopies) {
    EXPECT_EQ(status(), kStandaloneIdle);
    for (std::uint8_t a = chip::kFirstControl; a <= chip::kLastControl; ++a) EXPECT_EQ(read(a), 0);
    EXPECT_EQ(workingCopies(), SimulatedChip::kDefaultEeprom);
}

TEST_F(ChipTest, StatusAndPfaltCannotBeWrittenByTheHost) {
    write(chip::STATUS, 0x1F);
    EXPECT_EQ(status(), kStandaloneIdle);
    write(chip::OUTPUT_CNTRL, 0xFF);
    EXPECT_EQ(read(chip::OUTPUT_CNTRL), 0xFF & ~chip::kOutPFALT);
}

TEST_F(ChipTest, FaultsLatchUntilLtclrFallsWithTheConditionGone) {
    const std::vector<std::pair<SimCondition, std::uint8_t>> faults{
        {SimCondition::Ov, chip::kStatusOV},
        {SimCondition::Uv, chip::kStatusUV},
        {SimCondition::Ocd, chip::kStatusOCD},
        {SimCondition::Scd, chip::kStatusSCD},
        {SimCondition::OvTemp, chip::kStatusOVTEMP}};
    for (const auto& [condition, flag] : faults) {
        SCOPED_TRACE(std::string(simConditionName(condition)));
        chip_.setCondition(condition, true);
        EXPECT_TRUE(status() & flag);
        chip_.setCondition(condition, false);
        EXPECT_TRUE(status() & flag) << "latched after the condition went";

        write(chip::OUTPUT_CNTRL, chip::kOutLTCLR);
        EXPECT_TRUE(status() & flag) << "LTCLR high alone clears nothing";
        write(chip::OUTPUT_CNTRL, 0);
        EXPECT_FALSE(status() & flag);
    }
}

TEST_F(ChipTest, LtclrKeepsAFlagWhoseConditionIsStillPresent) {
    chip_.setCondition(SimCondition::Ov, true);
    chip_.setCondition(SimCondition::Uv, true);
    chip_.setCondition(SimCondition::Uv, false);
    toggleLtclr();
    EXPECT_EQ(status() & (chip::kStatusOV | chip::kStatusUV), chip::kStatusOV);

    // Writing LTCLR = 0 when it already was 0 is no falling edge.
    chip_.setCondition(SimCondition::Ov, false);
    write(chip::OUTPUT_CNTRL, 0);
    EXPECT_TRUE(status() & chip::kStatusOV);
}

TEST_F(ChipTest, VgoodFollowsTheSupply) {
    chip_.setCondition(SimCondition::VgoodLow, true);
    EXPECT_FALSE(status() & chip::kStatusVGOOD);
    chip_.setCondition(SimCondition::VgoodLow, false);
    EXPECT_TRUE(status() & chip::kStatusVGOOD) << "VGOOD does not latch";
}

TEST_F(ChipTest, StandaloneProtectionDrivesTheFetsAndIgnoresTheDisableBits) {
    // UVFET_DIS and SOC_DIS are for Host mode only.
    write(chip::UV_LEVEL, chip::kUvFetDis | chip::kSocDis);
    const std::vector<std::pair<SimCondition, std::uint8_t>> cases{
        {SimCondition::Ov, chip::kStatusDSG},
        {SimCondition::Uv, chip::kStatusCHG},
        {SimCondition::Ocd, chip::kStatusCHG},
        {SimCondition::Scd, chip::kStatusCHG},
        {SimCondition::OvTemp, chip::kStatusCHG | chip::kStatusDSG}};
    for (const auto& [condition, fetsOn] : cases) {
        SCOPED_TRACE(std::string(simConditionName(condition)));
        chip_.setCondition(condition, true);
        chip_.setCondition(condition, false);  // the latch alone keeps the FET off
        EXPECT_EQ(status() & (chip::kStatusCHG | chip::kStatusDSG), fetsOn);
        toggleLtclr();
        EXPECT_EQ(status() & (chip::kStatusCHG | chip::kStatusDSG),
                  chip::kStatusCHG | chip::kStatusDSG);
    }
}

TEST_F(ChipTest, HostModeFetsFollowOutputControlUnderTheProtection) {
    const std::uint8_t fets = chip::kStatusCHG | chip::kStatusDSG;
    write(chip::STATE_CNTRL, chip::kStateHOST);
    EXPECT_EQ(status() & fets, 0);
    write(chip::OUTPUT_CNTRL, chip::kOutCHG);
    EXPECT_EQ(status() & fets, chip::kStatusCHG);
    write(chip::OUTPUT_CNTRL, chip::kOutDSG);
    EXPECT_EQ(status() & fets, chip::kStatusDSG);
    write(chip::OUTPUT_CNTRL, chip::kOutCHG | chip::kOutDSG);
    EXPECT_EQ(status() & fets, fets);

    struct Case {
        SimCondition condition;
        std::uint8_t uvLevel;
        std::uint8_t fetsOn;
    };
    const std::vector<Case> cases{
        {SimCondition::Ov, 0, chip::kStatusDSG},
        {SimCondition::Ov, chip::kUvFetDis | chip::kSocDis, chip::kStatusDSG},
        {SimCondition::Uv, 0, chip::kStatusCHG},
        {SimCondition::Uv, chip::kUvFetDis, fets},
        {SimCondition::Uv, chip::kSocDis, chip::kStatusCHG},
        {SimCondition::Ocd, 0, 0},
        {SimCondition::Ocd, chip::kSocDis, fets},
        {SimCondition::Ocd, chip::kUvFetDis, 0},
        {SimCondition::Scd, 0, 0},
        {SimCondition::Scd, chip::kSocDis, fets},
        {SimCondition::OvTemp, 0, fets},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(simConditionName(c.condition)) + " UV_LEVEL " +
                     std::to_string(c.uvLevel));
        write(chip::UV_LEVEL, c.uvLevel);
        chip_.setCondition(c.condition, true);
        EXPECT_EQ(status() & fets, c.fetsOn);
        chip_.setCondition(c.condition, false);
        toggleLtclr();
        EXPECT_EQ(status() & fets, fets);
    }
}

TEST_F(ChipTest, ArmedPulseWithVgoodProgramsTheEeprom) {
    std::vector<SimulatedChip::Eeprom> saved;
    chip_.setEepromListener([&](const SimulatedChip::Eeprom& e) { saved.push_back(e); });
    writeWorkingCopies(kNewConfig);
    arm();
    EXPECT_TRUE(chip_.armed());
    pulse(1000ms);
    EXPECT_FALSE(chip_.armed());
    EXPECT_FALSE(pfalt());
    EXPECT_EQ(chip_.eeprom(), kNewConfig);
    EXPECT_EQ(workingCopies(), kNewConfig);
    EXPECT_EQ(saved, std::vector<SimulatedChip::Eeprom>{kNewConfig});

    chip_.powerCycle();
    EXPECT_EQ(workingCopies(), kNewConfig) << "what was programmed survives a power cycle";
}

TEST_F(ChipTest, VoltageOffBeforeDisarmingProgramsToo) {
    writeWorkingCopies(kNewConfig);
    arm();
    chip_.setProgrammingVoltage(true);
    clock_.advance(100ms);
    chip_.setProgrammingVoltage(false);
    write(chip::EEPROM_PROGRAM, 0x00);
    EXPECT_FALSE(pfalt());
    EXPECT_EQ(chip_.eeprom(), kNewConfig);
}

TEST_F(ChipTest, FailedProgrammingSetsPfaltAndLeavesTheEeprom) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> programWrites;
        std::chrono::milliseconds length;
        bool vgoodLow;
        bool programFails;
    };
    const std::vector<Case> cases{
        {"not armed", {}, 1000ms, false, false},
        {"first byte only", {0x71}, 1000ms, false, false},
        {"second byte only", {0x41}, 1000ms, false, false},
        {"bytes reversed", {0x41, 0x71}, 1000ms, false, false},
        {"disarmed again", {0x71, 0x41, 0x00}, 1000ms, false, false},
        {"short pulse", {0x71, 0x41}, 99ms, false, false},
        {"VGOOD low", {0x71, 0x41}, 1000ms, true, false},
        {"program-fails", {0x71, 0x41}, 1000ms, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        chip_.powerCycle();
        EXPECT_FALSE(pfalt()) << "a power cycle clears PFALT";
        chip_.setCondition(SimCondition::VgoodLow, c.vgoodLow);
        chip_.setCondition(SimCondition::ProgramFails, c.programFails);
        writeWorkingCopies(kNewConfig);
        for (std::uint8_t b : c.programWrites) write(chip::EEPROM_PROGRAM, b);
        pulse(c.length);
        EXPECT_TRUE(pfalt());
        EXPECT_EQ(chip_.eeprom(), SimulatedChip::kDefaultEeprom);
        EXPECT_EQ(workingCopies(), kNewConfig) << "the working copies are not reloaded";
        write(chip::OUTPUT_CNTRL, 0);
        EXPECT_TRUE(pfalt()) << "the host cannot clear PFALT";
    }
    chip_.setCondition(SimCondition::VgoodLow, false);
    chip_.setCondition(SimCondition::ProgramFails, false);
    arm();
    pulse(1000ms);
    EXPECT_FALSE(pfalt()) << "a good cycle clears PFALT";
    EXPECT_EQ(chip_.eeprom(), kNewConfig);
}

TEST_F(ChipTest, VgoodLostDuringThePulseFailsIt) {
    arm();
    chip_.setProgrammingVoltage(true);
    clock_.advance(500ms);
    chip_.setCondition(SimCondition::VgoodLow, true);
    clock_.advance(500ms);
    chip_.setProgrammingVoltage(false);
    EXPECT_TRUE(pfalt());
}

TEST_F(ChipTest, VoltageBeforeArmingFailsEvenIfArmedLater) {
    chip_.setProgrammingVoltage(true);
    arm();
    clock_.advance(1000ms);
    chip_.setProgrammingVoltage(false);
    EXPECT_TRUE(pfalt());
    EXPECT_EQ(chip_.eeprom(), SimulatedChip::kDefaultEeprom);
}

// The voltage calls are answered, yet nothing reaches the chip: the registers still read the
// loaded bytes and PFALT stays clear, and only a power cycle shows the EEPROM's old bytes.
TEST_F(ChipTest, NoVppBurnsNothingAndOnlyAPowerCycleShowsIt) {
    chip_.setCondition(SimCondition::NoVpp, true);
    writeWorkingCopies(kNewConfig);
    arm();
    pulse(1000ms);
    write(chip::EEPROM_PROGRAM, 0x00);
    EXPECT_FALSE(chip_.programmingVoltage());
    EXPECT_FALSE(pfalt());
    EXPECT_EQ(workingCopies(), kNewConfig);
    EXPECT_EQ(chip_.eeprom(), SimulatedChip::kDefaultEeprom);
    chip_.powerCycle();
    EXPECT_EQ(workingCopies(), SimulatedChip::kDefaultEeprom);

    // Lost while the voltage is on: the cycle under way fails.
    chip_.setCondition(SimCondition::NoVpp, false);
    arm();
    chip_.setProgrammingVoltage(true);
    chip_.setCondition(SimCondition::NoVpp, true);
    EXPECT_FALSE(chip_.programmingVoltage());
    EXPECT_TRUE(pfalt());
}

TEST_F(ChipTest, StuckBitSpoilsOneCellSoTheReadBackDiffers) {
    chip_.setCondition(SimCondition::StuckBit, true);
    writeWorkingCopies(kNewConfig);
    arm();
    pulse(1000ms);
    SimulatedChip::Eeprom expected = kNewConfig;
    expected[SimulatedChip::kStuckRegister - chip::kFirstEeprom] ^= SimulatedChip::kStuckMask;
    EXPECT_EQ(chip_.eeprom(), expected);
    EXPECT_EQ(workingCopies(), expected);
    EXPECT_FALSE(pfalt()) << "the chip does not notice; only the read-back does";
}

TEST_F(ChipTest, PowerCycleRestoresPowerOnStateButKeepsConditions) {
    writeWorkingCopies(kNewConfig);
    write(chip::OUTPUT_CNTRL, 0x8F);
    write(chip::STATE_CNTRL, chip::kStateHOST);
    write(chip::CELL_BALANCE, 0x55);
    arm();
    chip_.setCondition(SimCondition::Ov, true);
    chip_.setCondition(SimCondition::Uv, true);
    chip_.setCondition(SimCondition::Uv, false);
    chip_.setNak(chip::CELL_SEL, true);

    chip_.powerCycle();
    EXPECT_EQ(workingCopies(), SimulatedChip::kDefaultEeprom);
    EXPECT_EQ(read(chip::OUTPUT_CNTRL), 0);
    EXPECT_EQ(read(chip::STATE_CNTRL), 0);
    EXPECT_EQ(read(chip::CELL_BALANCE), 0);
    EXPECT_FALSE(chip_.armed());
    EXPECT_EQ(status(), (kStandaloneIdle & ~chip::kStatusCHG) | chip::kStatusOV);
    std::uint8_t value = 0;
    EXPECT_NE(chip_.readRegister(chip::CELL_SEL, value), 0);
}

TEST_F(ChipTest, PowerCycleDuringThePulseCannotProgram) {
    writeWorkingCopies(kNewConfig);
    arm();
    chip_.setProgrammingVoltage(true);
    clock_.advance(500ms);
    chip_.powerCycle();
    writeWorkingCopies(kNewConfig);
    clock_.advance(500ms);
    chip_.setProgrammingVoltage(false);
    EXPECT_TRUE(pfalt());
    EXPECT_EQ(chip_.eeprom(), SimulatedChip::kDefaultEeprom);
}

TEST_F(ChipTest, NakRegisterRefusesReadsAndWrites) {
    chip_.setNak(chip::CELL_BALANCE, true);
    std::uint8_t value = 0x5A;
    EXPECT_NE(chip_.readRegister(chip::CELL_BALANCE, value), 0);
    EXPECT_EQ(value, 0x5A) << "a refused read leaves the data alone";
    EXPECT_NE(chip_.writeRegister(chip::CELL_BALANCE, 0xFF), 0);
    EXPECT_EQ(read(chip::CELL_SEL), 0) << "other registers still answer";
    chip_.setNak(chip::CELL_BALANCE, false);
    EXPECT_EQ(read(chip::CELL_BALANCE), 0) << "the refused write had no effect";
}

TEST_F(ChipTest, AddressesBeyondTheProgrammingRegisterAreNotAnswered) {
    std::uint8_t value = 0;
    EXPECT_NE(chip_.readRegister(0x0C, value), 0);
    EXPECT_NE(chip_.writeRegister(0xFF, 0), 0);
}

TEST_F(ChipTest, UnpluggingTakesTheProgrammingVoltageAway) {
    writeWorkingCopies(kNewConfig);
    arm();
    chip_.setProgrammingVoltage(true);
    clock_.advance(50ms);
    chip_.setCondition(SimCondition::Unplugged, true);
    EXPECT_FALSE(chip_.programmingVoltage());
    EXPECT_TRUE(pfalt()) << "the voltage was on for 50 ms only";
    EXPECT_EQ(chip_.eeprom(), SimulatedChip::kDefaultEeprom);
}

}  // namespace
