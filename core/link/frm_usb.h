#pragma once
// One bus: the adapter instance `Talvex1` with the wrapper operations, the chip's device
// address, the status-line callback and the bus's "programming" gate. The front end owns
// its buses and hands them down; one thread at a time may use a bus, and buses share
// nothing, so one process may drive several boards.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/link/programming_state.h"
#include "core/link/talvex.h"

class frmUSB {
public:
    // A null adapter stands for "none": every operation then fails.
    explicit frmUSB(std::unique_ptr<Talvex> adapter);
    ~frmUSB();
    frmUSB(const frmUSB&) = delete;
    frmUSB& operator=(const frmUSB&) = delete;

    bool OpenFirstFreeDevice();
    // Opens one adapter by a name that the list gave, and remembers the name.
    bool OpenDevice(const std::string& name);
    // The name of the adapter opened last; "" before any opened.
    const std::string& openedName() const { return openedName_; }
    void CloseDevice();
    std::int32_t I2CReadByte(std::int16_t& nAddr, std::int16_t& nReadData, std::uint8_t& yRetByte);
    std::int32_t I2CWriteByte(std::int16_t& nAddr, std::int16_t& nWriteData);
    std::int32_t WriteI2C(std::int16_t& iByte2, std::int16_t& iByte3, std::int16_t& iByte4,
                          std::int16_t& iByte5);

    Talvex& Talvex1() { return *talvex1_; }

    // The chip's I2C device address, passed with every byte transfer.
    std::int16_t I2CSlaveAddress = 32;

    // Where the communication status text goes (the window's status line); may be empty.
    using StatusListener = std::function<void(std::string_view text)>;
    void setStatusListener(StatusListener listener) { statusListener_ = std::move(listener); }
    void showStatus(std::string_view text) const {
        if (statusListener_) statusListener_(text);
    }

    // Set while the EEPROM sequence runs on this bus.
    ProgrammingState& programming() { return programming_; }

    // What this adapter session has left at the chip's programming controls: register 0x0B
    // took a nonzero value and no 0x00 after it; the voltage was asked on and not
    // acknowledged off since.
    bool programRegisterArmed() const { return programRegisterArmed_; }
    bool voltageMayBeOn() const { return voltageMayBeOn_; }

private:
    std::unique_ptr<Talvex> talvex1_;
    std::string openedName_;
    StatusListener statusListener_;
    ProgrammingState programming_;
    bool programRegisterArmed_ = false;
    bool voltageMayBeOn_ = false;
};
