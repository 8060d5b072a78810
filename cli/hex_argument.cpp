#include "cli/hex_argument.h"

#include "core/link/miscellaneous.h"

namespace cli {

std::optional<std::uint8_t> parseHexArgument(std::string_view text) {
    // An empty argument is most likely a shell variable that was never set, not a zero.
    if (text.empty()) return std::nullopt;
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        if (text.empty()) return std::nullopt;
    }
    const std::int16_t value = Miscellaneous::HexToByte(text);
    if (value < 0) return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

std::string addressText(std::uint8_t address) {
    return "0x" + Miscellaneous::ByteToHex(address);
}

}  // namespace cli
