#pragma once
// One USB-to-I2C bridge spoken to through its HID reports: byte-data transfers as i2c-dev
// makes them (register address written, then the byte read with a repeated start, or both
// bytes written), and GPIO pins. Every call returns 0, or -errno with `reason` set:
// -ENXIO not acknowledged, -ETIMEDOUT a transfer that did not finish (cancelled), -EBUSY the
// bus held low (cancelled), -ENODEV the bridge stopped answering (take it as unplugged).

#include <cstdint>
#include <memory>
#include <string>

#include "core/adapters/hid_device.h"

class HidBridge {
public:
    virtual ~HidBridge() = default;

    // "CP2112" or "MCP2221".
    virtual const char* kind() const = 0;
    // Brings the bridge to a known state: no transfer pending, the bus at 100 kHz.
    virtual int configure(std::string& reason) = 0;
    // `device` is the 7-bit address.
    virtual int readByteData(std::uint8_t device, std::uint8_t reg, std::uint8_t& value,
                             std::string& reason) = 0;
    virtual int writeByteData(std::uint8_t device, std::uint8_t reg, std::uint8_t value,
                              std::string& reason) = 0;

    virtual int pinCount() const = 0;
    // Makes `pin` a push-pull output driven low; its level is read back.
    virtual int makeOutputLow(int pin, std::string& reason) = 0;
    // Drives an output pin; its level is read back.
    virtual int setPin(int pin, bool high, std::string& reason) = 0;
};

struct HidBridgeModel {
    std::uint16_t vendorId;
    std::uint16_t productId;
    const char* kind;
};

inline constexpr HidBridgeModel kCp2112{0x10C4, 0xEA90, "CP2112"};
inline constexpr HidBridgeModel kMcp2221{0x04D8, 0x00DD, "MCP2221"};

// The protocol for a device of one of the models above; null for any other.
std::unique_ptr<HidBridge> makeHidBridge(std::uint16_t vendorId, std::uint16_t productId,
                                         HidDevice& device);
