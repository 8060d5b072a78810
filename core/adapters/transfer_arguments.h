#pragma once
// The bounds of a byte transfer's arguments, checked the same way by every bus back-end
// before anything goes on the bus.

#include <cstdint>
#include <string>

// Why a byte transfer with these arguments cannot be made; empty when it can. `data` counts
// only for a write.
inline std::string transferArgumentsFault(std::int16_t device, std::int16_t reg, bool write,
                                          std::int16_t data) {
    constexpr int kMaxDeviceAddress = 0x7F;  // 7-bit addresses
    if (device < 0 || device > kMaxDeviceAddress)
        return "device address " + std::to_string(device) + " outside 0..127";
    if (reg < 0 || reg > 0xFF) return "register address " + std::to_string(reg) + " outside 0..255";
    if (write && (data < 0 || data > 0xFF))
        return "data " + std::to_string(data) + " outside 0..255";
    return {};
}
