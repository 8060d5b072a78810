#pragma once
// Register access layer: every register transfer of the program passes here, on the bus
// it was given. Only reads report on the bus's communication status line. Writes give their
// result to callers that check it (the programming sequence); the rest ignore it, as before.
// A Communication is a small handle: copies work on the same bus.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/link/frm_usb.h"

class Communication {
public:
    static constexpr std::string_view kCommStatusOk = "I2C Comm Status: OK";
    static constexpr std::string_view kCommStatusError = "I2C Comm Status: Error";
    // Result of a write refused because the programming sequence owns the chip.
    static constexpr std::int32_t kWriteRefused = -16;

    explicit Communication(frmUSB& bus) : bus_(&bus) {}

    // Reads one register byte into `data` and shows the result on the status line.
    std::int32_t ReadRegister(std::uint8_t address, std::uint8_t& data) const;
    // Writes one register byte: 0, an adapter error, or kWriteRefused while programming.
    std::int32_t WriteRegister(std::uint8_t address, std::uint8_t data) const;
    // The four-value transfer of EEPROM programming (programming voltage control).
    std::int32_t WriteI2CBytes(std::int16_t& iByte2, std::int16_t& iByte3, std::int16_t& iByte4,
                               std::int16_t& iByte5) const;
    // Asks the adapter for the programming-voltage line ahead of arming; 0 or an error with
    // `reason` set.
    std::int32_t HoldPulseLine(std::string& reason) const;

    // What the program has left at the chip's programming controls, whoever wrote it:
    // register 0x0B took a nonzero value and no 0x00 after it; the programming voltage was
    // asked on and not acknowledged off since. The close step uses both to leave the chip safe.
    bool ProgramRegisterArmed() const { return bus_->programRegisterArmed(); }
    bool ProgrammingVoltageMayBeOn() const { return bus_->voltageMayBeOn(); }

    // Sets the status line from a read's result code.
    void ShowCommStatus(std::int32_t code) const;

    frmUSB& bus() const { return *bus_; }
    ProgrammingState& programming() const { return bus_->programming(); }

private:
    frmUSB* bus_;
};
