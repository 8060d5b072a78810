#pragma once
// The simulated EEPROM kept across runs (--sim-state FILE), as a small text file:
//
//   # Varenthal simulated chip: EEPROM, registers 0x06 to 0x0A
//   06=4A
//   07=1D
//   ...
//
// Blank lines and lines starting with '#' are ignored; each of the five registers must
// appear exactly once with a value of one or two hex digits.

#include <optional>
#include <string>
#include <string_view>

#include "core/sim/simulated_chip.h"

struct SimStateLoad {
    std::optional<SimulatedChip::Eeprom> eeprom;  // set when the file was read and is sound
    std::string error;  // set when the file exists but cannot be read or is corrupt
};

// Reads `path`. A missing file gives neither an EEPROM nor an error.
SimStateLoad loadSimState(const std::string& path);
// Reads the text of a state file; nullopt and a reason in `error` when it is corrupt.
std::optional<SimulatedChip::Eeprom> parseSimState(std::string_view text, std::string* error);
std::string formatSimState(const SimulatedChip::Eeprom& eeprom);
// Replaces `path` atomically; false and a reason in `error` on failure.
bool saveSimState(const std::string& path, const SimulatedChip::Eeprom& eeprom,
                  std::string* error = nullptr);
