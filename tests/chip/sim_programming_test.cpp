// The program's own EEPROM programming sequence run against the chip model, with the waits
// moving the model's clock instead of the wall clock.

#include <gtest/gtest.h>

#include "app/part_variables.h"
#include "chip/sim/sim_adapter.h"
#include "link/frm_usb.h"
#include "manual_clock.h"
#include "pages/eeprom/programming_sequence.h"

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
    eeprom::ConversionOutcome convert(eeprom::EepromImage& image) override {
        image = page;
        eeprom::loadImage(image);
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
        PartVariables::I2CSlaveAddress = 32;
        frmUSB::Reset();
        frmUSB::SetFactory([chip = chip_] { return std::make_unique<SimAdapter>(chip); });
        frmUSB::Get().OpenFirstFreeDevice();
    }
    void TearDown() override { frmUSB::Reset(); }

    eeprom::ProgramResult program() {
        eeprom::EepromProgrammer programmer(host_);
        const eeprom::ProgramResult result = programmer.run();
        EXPECT_FALSE(chip_->armed()) << "the chip was left armed";
        EXPECT_FALSE(chip_->programmingVoltage()) << "the programming voltage was left on";
        return result;
    }

    ManualClock clock_;
    std::shared_ptr<SimulatedChip> chip_ =
        std::make_shared<SimulatedChip>(SimulatedChip::kDefaultEeprom, clock_.clock());
    ClockedHost host_{clock_};
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

TEST_F(ProgrammingOnTheModel, EachInjectedFaultEndsTheWayTheProgramReportsIt) {
    struct Case {
        const char* fault;
        eeprom::ProgramResult result;
        const char* message;
    };
    const std::vector<Case> cases{
        {"vgood-low", eeprom::ProgramResult::VgoodMissing,
         "VGOOD did not get set. EEPROM programming canceled."},
        {"program-fails", eeprom::ProgramResult::Pfalt, "EEPROM did not program correctly."},
        {"stuck-bit", eeprom::ProgramResult::ReadBackDiffers, "EEPROM did not program correctly."},
        {"nak=09", eeprom::ProgramResult::ReadBackDiffers, "EEPROM did not program correctly."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        chip_ = std::make_shared<SimulatedChip>(SimulatedChip::kDefaultEeprom, clock_.clock());
        SetUp();
        chip_->apply(*parseSimFault(c.fault));
        host_.messages.clear();
        EXPECT_EQ(program(), c.result);
        EXPECT_EQ(host_.messages, std::vector<std::string>{c.message});
        if (c.result != eeprom::ProgramResult::ReadBackDiffers) {
            EXPECT_EQ(chip_->eeprom(), SimulatedChip::kDefaultEeprom);
        }
    }
}

}  // namespace
