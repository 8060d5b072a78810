#include "core/sim/sim_state_file.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "core/base/ini_file.h"
#include "core/base/native_path.h"
#include "core/base/safe_file.h"
#include "core/link/miscellaneous.h"

namespace {

// A real state file is a few dozen bytes; anything much larger is not one.
constexpr std::streamsize kMaxFileSize = 4096;

std::string_view trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

// One or two hex digits; -1 otherwise.
int parseHexByte(std::string_view s) {
    if (s.empty() || s.size() > 2) return -1;
    int value = 0;
    for (char c : s) {
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        if (d < 0) return -1;
        value = value * 16 + d;
    }
    return value;
}

}  // namespace

std::optional<SimulatedChip::Eeprom> parseSimState(std::string_view text, std::string* error) {
    SimulatedChip::Eeprom eeprom{};
    std::array<bool, chip::kEepromCount> seen{};
    auto fail = [&](int lineNo, const std::string& why) {
        if (error) *error = "line " + std::to_string(lineNo) + ": " + why;
        return std::nullopt;
    };
    int lineNo = 0;
    while (!text.empty()) {
        ++lineNo;
        const auto eol = text.find('\n');
        const std::string_view raw = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
        const std::string_view line = trim(raw);
        if (line.empty() || line.front() == '#') continue;
        const auto eq = line.find('=');
        if (eq == std::string_view::npos) return fail(lineNo, "expected RR=VV");
        const int address = parseHexByte(trim(line.substr(0, eq)));
        const int value = parseHexByte(trim(line.substr(eq + 1)));
        if (address < chip::kFirstEeprom || address > chip::kLastEeprom) {
            return fail(lineNo, "not an EEPROM register (06 to 0A)");
        }
        if (value < 0) return fail(lineNo, "value is not one or two hex digits");
        const auto slot = static_cast<std::size_t>(address - chip::kFirstEeprom);
        if (seen[slot])
            return fail(lineNo, "register " + Miscellaneous::ByteToHex(address) + " given twice");
        seen[slot] = true;
        eeprom[slot] = static_cast<std::uint8_t>(value);
    }
    for (std::size_t i = 0; i < seen.size(); ++i) {
        if (!seen[i]) {
            if (error)
                *error =
                    "register " + Miscellaneous::ByteToHex(chip::kFirstEeprom + i) + " is missing";
            return std::nullopt;
        }
    }
    return eeprom;
}

SimStateLoad loadSimState(const std::string& path) {
    SimStateLoad result;
    if (!specialFileReason(path).empty()) {
        result.error = "cannot read '" + path + "': not a regular file";
        return result;
    }
    std::string text, why;
    switch (readSmallFile(path, static_cast<std::size_t>(kMaxFileSize), text, why)) {
        case FileRead::missing:
            return result;
        case FileRead::failed:
            result.error = why == "file too large"
                               ? "'" + path + "' is not a simulator state file (too large)"
                               : "cannot read '" + path + "': " + why;
            return result;
        case FileRead::ok:
            break;
    }
    result.eeprom = parseSimState(text, &why);
    if (!result.eeprom) result.error = "'" + path + "' is corrupt: " + why;
    return result;
}

std::string formatSimState(const SimulatedChip::Eeprom& eeprom) {
    std::string text = "# Varenthal simulated chip: EEPROM, registers 0x06 to 0x0A\n";
    for (std::size_t i = 0; i < eeprom.size(); ++i) {
        text += Miscellaneous::ByteToHex(chip::kFirstEeprom + i) + "=" +
                Miscellaneous::ByteToHex(eeprom[i]) + "\n";
    }
    return text;
}

bool saveSimState(const std::string& path, const SimulatedChip::Eeprom& eeprom,
                  std::string* error) {
    return writeFileAtomically(path, formatSimState(eeprom), error);
}
