// The program's own EEPROM programming sequence run against the chip model, with the waits
// moving the model's clock instead of the wall clock.

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "core/eeprom/programming_sequence.h"
#include "core/link/communication.h"
#include "core/link/frm_usb.h"
#include "core/sim/sim_adapter.h"
#include "manual_clock.h"

using namespace std::chrono_literals;

namespace {

class ClockedHost final : public eeprom::ProgrammingHost {
public:
    explicit ClockedHost(ManualClock& clock) : clock_(clock) {}

    void wait(double seconds) override {
        clock_.advance(std::chrono::milliseconds(static_cast<long>(seconds * 1000)));
    }
    void setProgressShown(bool) override {}
    void setProgress(int) override {}
    void setVgoodLamp(bool) override {}
    void message(std::string_view text, std::string_view, eeprom::MessageIcon) override {
        messages.emplace_back(text);
    }
    eeprom::ConversionOutcome compose(eeprom::EepromImage& image) override {
        image = page;
        return eeprom::ConversionOutcome::Written;
    }

    eeprom::EepromImage page{0x2B, 0x5A, 0x96, 0x13, 0xC4};
    std::vector<std::string> messages;

private:
    ManualClock& clock_;
};

class ProgrammingOnTheModel : public ::testing::Test {
protected:
    void SetUp() override {
        bus_ = std::make_unique<frmUSB>(std::make_unique<SimAdapter>(chip_));
        bus_->OpenFirstFreeDevice();
    }

    eeprom::ProgramResult program() {
        eeprom::EepromProgrammer programmer(host_, Communication(*bus_));
        const eeprom::ProgramResult result = programmer.run();
        EXPECT_FALSE(chip_->armed()) << "the chip was left armed";
        EXPECT_FALSE(chip_->programmingVoltage()) << "the programming voltage was left on";
        return result;
    }

    ManualClock clock_;
    std::shared_ptr<SimulatedChip> chip_ =
        std::make_shared<SimulatedChip>(SimulatedChip::kDefaultEeprom, clock_.clock());
    ClockedHost host_{clock_};
    std::unique_ptr<frmUSB> bus_;
};

TEST_F(ProgrammingOnTheModel, GoodRunBurnsTheEepromAndItSurvivesAPowerCycle) {
    EXPECT_EQ(program(), eeprom::ProgramResult::Success);
    EXPECT_TRUE(host_.messages.empty());
    EXPECT_EQ(chip_->eeprom(), host_.page);
    chip_->powerCycle();
    for (int i = 0; i < chip::kEepromCount; ++i) {
        std::uint8_t value = 0;
        chip_->readRegister(chip::kFirstEeprom + i, value);
        EXPECT_EQ(value, host_.page[i]);
    }
}

// Every fault kind: what the program reports, and that the EEPROM holds all old or all new
// bytes, never a mix; the chip is left disarmed (and the voltage off, where it can be).
TEST_F(ProgrammingOnTheModel, EachInjectedFaultEndsTheWayTheProgramReportsIt) {
    enum class Burnt { Old, New };
    struct Case {
        const char* fault;
        eeprom::ProgramResult result;
        std::string message;  // empty: none
        Burnt eeprom;
    };
    using R = eeprom::ProgramResult;
    const std::string noAnswer(eeprom::kNoAnswerCanceled);
    const std::string failed(eeprom::kProgramFailed);
    const std::vector<Case> cases{
        {"vgood-low", R::VgoodMissing, std::string(eeprom::kVgoodMissing), Burnt::Old},
        {"program-fails", R::Pfalt, failed, Burnt::Old},
        {"nak=06", R::LoadFailed, noAnswer, Burnt::Old},
        {"nak=07", R::LoadFailed, noAnswer, Burnt::Old},
        {"nak=08", R::LoadFailed, noAnswer, Burnt::Old},
        {"nak=09", R::LoadFailed, noAnswer, Burnt::Old},
        {"nak=0A", R::LoadFailed, noAnswer, Burnt::Old},
        {"nak=0B:1", R::ArmFailed, noAnswer, Burnt::Old},  // 0x71 lost once: disarmed anyway
        {"nak=0B:2", R::ArmFailed, noAnswer, Burnt::Old},  // 0x41 lost
        // 0x0B never answers: whether 0x71 was taken cannot be known, so the user is told.
        {"nak=0B", R::SafeEndFailed, noAnswer + "\n" + std::string(eeprom::kNotDisarmed),
         Burnt::Old},
        {"nak=00", R::NoAnswer, noAnswer, Burnt::Old},  // STATUS unanswered
        {"nak=0B:3", R::Success, "", Burnt::New},       // disarm lost once: retried
        {"pulse-stuck", R::SafeEndFailed, std::string(eeprom::kVoltageStuckOn), Burnt::New},
        // The burn worked, but OUTPUT_CNTRL never answers: not verified, not a failed burn.
        {"nak=01", R::NotVerified, std::string(eeprom::kNotVerified), Burnt::New},
        {"nak=07:2", R::Success, "", Burnt::New},  // the first read-back read lost: retried
        // Nothing reaches the chip, and the loaded registers read back right all the same:
        // only a power cycle can tell (the verdict says it checked the registers only).
        {"no-vpp", R::Success, "", Burnt::Old},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        chip_ = std::make_shared<SimulatedChip>(SimulatedChip::kDefaultEeprom, clock_.clock());
        SetUp();
        chip_->apply(*parseSimFault(c.fault));
        host_.messages.clear();
        eeprom::EepromProgrammer programmer(host_, Communication(*bus_));
        EXPECT_EQ(programmer.run(), c.result);
        EXPECT_EQ(host_.messages,
                  c.message.empty() ? std::vector<std::string>{} : std::vector{c.message});
        EXPECT_EQ(chip_->eeprom(),
                  c.eeprom == Burnt::New ? host_.page : SimulatedChip::kDefaultEeprom);
        EXPECT_FALSE(chip_->armed());
        const std::string fault = c.fault;
        EXPECT_EQ(chip_->programmingVoltage(), fault == "pulse-stuck");
        EXPECT_EQ(bus_->programRegisterArmed(), fault == "nak=0B");
    }
}

// Several boards from one process: one thread per bus, nothing shared between them.
TEST(ProgrammingOnSeveralBuses, EachThreadBurnsItsOwnChip) {
    struct Board {
        ManualClock clock;
        std::shared_ptr<SimulatedChip> chip;
        std::unique_ptr<frmUSB> bus;
        std::unique_ptr<ClockedHost> host;
        eeprom::ProgramResult result = eeprom::ProgramResult::Stopped;
    };
    std::vector<Board> boards(4);
    for (std::size_t i = 0; i < boards.size(); ++i) {
        Board& b = boards[i];
        b.chip = std::make_shared<SimulatedChip>(SimulatedChip::kDefaultEeprom, b.clock.clock());
        b.bus = std::make_unique<frmUSB>(std::make_unique<SimAdapter>(b.chip));
        ASSERT_TRUE(b.bus->OpenFirstFreeDevice());
        b.host = std::make_unique<ClockedHost>(b.clock);
        b.host->page[0] = static_cast<std::uint8_t>(0x40 + i);
    }
    std::vector<std::thread> threads;
    for (Board& b : boards) {
        threads.emplace_back([&b] {
            eeprom::EepromProgrammer programmer(*b.host, Communication(*b.bus));
            b.result = programmer.run();
        });
    }
    for (std::thread& t : threads) t.join();
    for (const Board& b : boards) {
        EXPECT_EQ(b.result, eeprom::ProgramResult::Success);
        EXPECT_EQ(b.chip->eeprom(), b.host->page);
        EXPECT_FALSE(b.chip->armed());
        EXPECT_FALSE(b.bus->programming().Active());
    }
}

}  // namespace
