#pragma once
// Register addresses and data bytes as the command line accepts them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cli {

// The program's hex rules (at most two digits of either case, the empty text is 0), with an
// optional "0x" or "0X" prefix in front; a prefix alone is refused. nullopt when invalid.
std::optional<std::uint8_t> parseHexArgument(std::string_view text);

// "0x0A": how addresses are shown in output.
std::string addressText(std::uint8_t address);

}  // namespace cli
