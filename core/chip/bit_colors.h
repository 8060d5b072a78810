#pragma once
// The colours that show register bits, shared by every view of register bytes (the Registers
// page and the EEPROM preview) so that a "1" always looks the same. Plain RGB: the windows
// turn it into their own colour type.

#include <array>
#include <cstdint>

namespace chip {

struct Rgb {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

// Index = the bit's value: 0 light red, 1 light green.
inline constexpr std::array<Rgb, 2> kBitColors{{{0xFF, 0xC0, 0xC0}, {0xC0, 0xFF, 0xC0}}};

constexpr Rgb bitColor(bool set) {
    return kBitColors[set ? 1 : 0];
}

}  // namespace chip
