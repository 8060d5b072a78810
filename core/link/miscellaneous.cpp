#include "core/link/miscellaneous.h"

namespace Miscellaneous {

std::string ByteToHex(unsigned value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    if (text.size() == 1) text.insert(text.begin(), '0');
    return text;
}

std::int16_t HexToByte(std::string_view text) {
    if (text.size() > 2) return -1;
    std::int16_t value = 0;
    for (const char c : text) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else {
            return -1;
        }
        value = static_cast<std::int16_t>(value * 16 + digit);
    }
    return value;
}

}  // namespace Miscellaneous
