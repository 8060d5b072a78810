#pragma once
// The program's view of a USB-to-I2C means. Every back-end (simulator, Linux
// i2c-dev, trace decorator) implements these four operations; 0 means success.

#include <cstdint>
#include <string>

class Talvex {
public:
    // Transfer selectors of `transfer`.
    static constexpr std::int32_t kSelectorPulse = 0;  // programming voltage: a = 1 on, 0 off
    static constexpr std::int32_t kSelectorWrite = 1;  // a = device, b = register, c = data
    static constexpr std::int32_t kSelectorRead = 2;   // a = device, b = register, c = data in/out

    virtual ~Talvex() = default;

    // Lists the free devices of `kind`; names are comma-separated.
    virtual std::int32_t listFreeDevices(std::int32_t kind, std::int32_t& count,
                                         std::string& names) = 0;
    // Opens one device by a name that the list gave.
    virtual std::int32_t open(const std::string& name) = 0;
    virtual void close() = 0;
    // One byte transfer or the programming-voltage control, as chosen by `selector`.
    virtual std::int32_t transfer(std::int32_t selector, std::int16_t& a, std::int16_t& b,
                                  std::int16_t& c) = 0;
    // Makes sure that the programming voltage can be switched before the chip is armed (a
    // GPIO line is requested, driven low). Back-ends with nothing to claim succeed; on failure
    // `reason` says why. Sends nothing to the chip.
    // Why the last list or open found or opened nothing, in words for the user; empty when
    // the back-end has nothing to add.
    virtual std::string lastFailure() const { return {}; }

    virtual std::int32_t holdPulseLine(std::string& reason) {
        (void)reason;
        return 0;
    }
};
