#pragma once
// Host of the one adapter instance `Talvex1`. Created on first use; the back-end
// itself is made by the factory that start-up installs.

#include <cstdint>
#include <functional>
#include <memory>

#include "core/link/talvex.h"

class frmUSB {
public:
    using Factory = std::function<std::unique_ptr<Talvex>()>;

    // Chooses the back-end once, before the first use.
    static void SetFactory(Factory factory);
    // The host, created on first use.
    static frmUSB& Get();
    // Drops the host so that the next use creates it afresh (tests, restart).
    static void Reset();

    bool OpenFirstFreeDevice();
    void CloseDevice();
    std::int32_t I2CReadByte(std::int16_t& nAddr, std::int16_t& nReadData, std::uint8_t& yRetByte);
    std::int32_t I2CWriteByte(std::int16_t& nAddr, std::int16_t& nWriteData);
    std::int32_t WriteI2C(std::int16_t& iByte2, std::int16_t& iByte3, std::int16_t& iByte4,
                          std::int16_t& iByte5);

    Talvex& Talvex1() { return *talvex1_; }

    // What this adapter session has left at the chip's programming controls: register 0x0B
    // took a nonzero value and no 0x00 after it; the voltage was asked on and not
    // acknowledged off since.
    bool programRegisterArmed() const { return programRegisterArmed_; }
    bool voltageMayBeOn() const { return voltageMayBeOn_; }

private:
    explicit frmUSB(std::unique_ptr<Talvex> adapter);
    std::unique_ptr<Talvex> talvex1_;
    bool programRegisterArmed_ = false;
    bool voltageMayBeOn_ = false;
};
