#pragma once
// Numbers in the tool's JSON: each byte or address goes out as a number and, beside it, as
// a "_hex" twin string ("0x5A"), so that scripts compute with one and people read the other.

#include <cstdint>
#include <span>
#include <string>

#include "cli/cli_io.h"

namespace cli {

// Carried by every JSON object the tool prints and by every log record; raised when a
// field changes meaning or goes away.
inline constexpr int kSchemaVersion = 1;

// "0x5A"
std::string hexTwin(std::uint8_t value);

// object[name] = value and object[name + "_hex"] = "0x5A".
void putByte(Json& object, const std::string& name, std::uint8_t value);

// object[name] = [bytes...] and object[name + "_hex"] = ["0x5A", ...].
void putBytes(Json& object, const std::string& name, std::span<const std::uint8_t> bytes);

}  // namespace cli
