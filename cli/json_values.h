#pragma once
// Numbers in the tool's JSON: each byte or address goes out as a number and, beside it, as
// a "_hex" twin string ("0x5A"), so that scripts compute with one and people read the other.

#include <cstdint>
#include <string>

#include "cli/cli_io.h"

namespace cli {

// "0x5A"
std::string hexTwin(std::uint8_t value);

// object[name] = value and object[name + "_hex"] = "0x5A".
void putByte(Json& object, const std::string& name, std::uint8_t value);

}  // namespace cli
