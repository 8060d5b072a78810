#include "pages/eeprom/programming_sequence.h"

#include "chip/register_map.h"
#include "link/communication.h"

namespace eeprom {
namespace {

// The programming-voltage transfer: (0x41, on, 0, 0) in WriteI2C's argument order.
std::int32_t programmingVoltage(bool on) {
    std::int16_t b2 = chip::kProgramArm2, b3 = on ? 1 : 0, b4 = 0, b5 = 0;
    return Communication::WriteI2CBytes(b2, b3, b4, b5);
}

}  // namespace

void loadImage(const EepromImage& image) {
    for (int i = 0; i < chip::kEepromCount; ++i) {
        Communication::WriteRegister(static_cast<std::uint8_t>(chip::kFirstEeprom + i),
                                     image[static_cast<std::size_t>(i)]);
    }
}

void disarmChip() {
    programmingVoltage(false);
    Communication::WriteRegister(chip::EEPROM_PROGRAM, 0x00);
}

void EepromProgrammer::emergencyStop() {
    if (!running_ || stopped_) return;
    stopped_ = true;
    disarmChip();
}

ProgramResult EepromProgrammer::finish(ProgramResult result) {
    if (!stopped_) host_.setProgress(100);
    host_.setProgressShown(false);
    running_ = false;
    return stopped_ ? ProgramResult::Stopped : result;
}

void EepromProgrammer::failWith(std::string_view text) {
    host_.message(text, kAppTitle, MessageIcon::None);
}

ProgramResult EepromProgrammer::run() {
    if (running_) return ProgramResult::Stopped;  // never two sequences on one chip
    running_ = true;
    stopped_ = false;

    host_.setProgressShown(true);
    host_.setProgress(30);
    // Nothing is burnt unless the page was turned into bytes: the registers might hold
    // anything from an earlier session.
    if (host_.convert(image_) != ConversionOutcome::Written)
        return finish(ProgramResult::NotConverted);
    if (stopped_) return finish(ProgramResult::Stopped);
    host_.setProgress(50);

    Communication::WriteRegister(chip::EEPROM_PROGRAM, chip::kProgramArm1);
    host_.wait(kArmWait);
    if (stopped_) return finish(ProgramResult::Stopped);
    host_.setProgress(60);
    Communication::WriteRegister(chip::EEPROM_PROGRAM, chip::kProgramArm2);
    host_.wait(kArmWait);
    if (stopped_) return finish(ProgramResult::Stopped);

    std::uint8_t status = 0;  // a failed read leaves 0: VGOOD counts as clear
    Communication::ReadRegister(chip::STATUS, status);
    if ((status & chip::kStatusVGOOD) == 0) {
        host_.setVgoodLamp(false);
        // Disarm before the message: a message box may stay open for a long time.
        Communication::WriteRegister(chip::EEPROM_PROGRAM, 0x00);
        failWith(kVgoodMissing);
        return finish(ProgramResult::VgoodMissing);
    }
    host_.setVgoodLamp(true);
    host_.setProgress(70);

    if (programmingVoltage(true) != 0) {
        // The pulse never came, so the EEPROM was not programmed; do not verify the
        // registers against themselves and call it a success.
        Communication::WriteRegister(chip::EEPROM_PROGRAM, 0x00);
        programmingVoltage(false);
        failWith(kProgramFailed);
        return finish(ProgramResult::VoltageNotApplied);
    }
    host_.wait(kPulseWait);
    if (stopped_) return finish(ProgramResult::Stopped);
    Communication::WriteRegister(chip::EEPROM_PROGRAM, 0x00);
    programmingVoltage(false);
    host_.setProgress(80);

    for (int i = 0; i < chip::kEepromCount; ++i) {
        std::uint8_t value = 0;
        const std::int32_t rc =
            Communication::ReadRegister(static_cast<std::uint8_t>(chip::kFirstEeprom + i), value);
        // A read that failed proves nothing, even when the stale byte happens to match.
        if (rc != 0 || value != image_[static_cast<std::size_t>(i)]) {
            failWith(kProgramFailed);
            return finish(ProgramResult::ReadBackDiffers);
        }
    }

    std::uint8_t output = 0;
    const std::int32_t rc = Communication::ReadRegister(chip::OUTPUT_CNTRL, output);
    if (rc != 0 || (output & chip::kOutPFALT) != 0) {
        failWith(kProgramFailed);
        host_.setProgress(100);
        host_.setProgressShown(false);
        host_.enableStatusMonitor();
        running_ = false;
        return ProgramResult::Pfalt;
    }
    return finish(ProgramResult::Success);
}

}  // namespace eeprom
