#pragma once
// Shared routines without a toolkit: how the program shows and accepts register bytes.
// The window-side routines (Delay, CenterForm, SelectAllText) are in miscellaneous_gui.h.

#include <cstdint>
#include <string>
#include <string_view>

namespace Miscellaneous {

// Upper-case hex, at least two digits: 0 -> "00", 10 -> "0A", 256 -> "100".
std::string ByteToHex(unsigned value);
// At most two hex digits of either case; "" is 0; anything else is -1. Nothing is trimmed.
std::int16_t HexToByte(std::string_view text);

}  // namespace Miscellaneous
