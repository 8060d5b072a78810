#pragma once
// The default back-end: every USB-to-I2C means at once. The I2C buses that hang under a USB
// device (through i2c-dev, a bridge whose kernel driver is bound among them), then the HID
// bridges that no kernel driver of their own has; a name is opened by the back-end that
// listed it.

#include <memory>

#include "core/link/talvex.h"

class UsbAdapters final : public Talvex {
public:
    UsbAdapters(std::unique_ptr<Talvex> i2cDev, std::unique_ptr<Talvex> hid);

    std::int32_t listFreeDevices(std::int32_t kind, std::int32_t& count,
                                 std::string& names) override;
    std::int32_t open(const std::string& name) override;
    void close() override;
    std::int32_t transfer(std::int32_t selector, std::int16_t& a, std::int16_t& b,
                          std::int16_t& c) override;
    std::int32_t holdPulseLine(std::string& reason) override;
    std::string lastFailure() const override;

private:
    Talvex& current() { return usingHid_ ? *hid_ : *i2cDev_; }

    std::unique_ptr<Talvex> i2cDev_;
    std::unique_ptr<Talvex> hid_;
    bool usingHid_ = false;
    bool listedNothing_ = false;
};
