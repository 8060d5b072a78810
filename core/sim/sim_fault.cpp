#include "core/sim/sim_fault.h"

#include <cctype>

namespace {

constexpr std::array<std::string_view, kSimConditions.size()> kNames{
    "ov",        "uv",        "ocd",         "scd",   "ovtemp", "vgood-low", "program-fails",
    "stuck-bit", "unplugged", "pulse-stuck", "no-vpp"};

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    const int lower = std::tolower(static_cast<unsigned char>(c));
    if (lower >= 'a' && lower <= 'f') return lower - 'a' + 10;
    return -1;
}

}  // namespace

std::string_view simConditionName(SimCondition condition) {
    return kNames[static_cast<std::size_t>(condition)];
}

std::optional<SimFault> parseSimFault(std::string_view text, std::string* error) {
    for (SimCondition c : kSimConditions) {
        if (text == simConditionName(c)) return SimFault{c, 0};
    }
    constexpr std::string_view kNak = "nak=";
    if (text.substr(0, kNak.size()) == kNak) {
        std::string_view hex = text.substr(kNak.size());
        unsigned nth = 0;
        bool nthOk = true;
        if (const auto colon = hex.find(':'); colon != std::string_view::npos) {
            const std::string_view count = hex.substr(colon + 1);
            hex = hex.substr(0, colon);
            nthOk = !count.empty() && count.size() <= 6 &&
                    count.find_first_not_of("0123456789") == std::string_view::npos;
            for (char c : count) nth = nth * 10 + static_cast<unsigned>(c - '0');
            nthOk = nthOk && nth > 0;
        }
        if (hex.size() > 2 && (hex.substr(0, 2) == "0x" || hex.substr(0, 2) == "0X")) {
            hex.remove_prefix(2);
        }
        int value = 0;
        bool ok = !hex.empty() && hex.size() <= 2;
        for (char c : hex) {
            const int d = hexDigit(c);
            ok = ok && d >= 0;
            value = value * 16 + (d < 0 ? 0 : d);
        }
        if (ok && nthOk) return SimFault{std::nullopt, static_cast<std::uint8_t>(value), nth};
        if (error) {
            *error = "bad --sim-fault '" + std::string(text) +
                     "' (expected nak=AA or nak=AA:N, a register address of one or two hex "
                     "digits and a transfer count from 1)";
        }
        return std::nullopt;
    }
    if (error) {
        *error = "unknown --sim-fault '" + std::string(text) +
                 "' (expected ov, uv, ocd, scd, ovtemp, vgood-low, program-fails, stuck-bit, "
                 "unplugged, pulse-stuck, no-vpp, nak=AA or nak=AA:N)";
    }
    return std::nullopt;
}
