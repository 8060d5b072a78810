#pragma once
// How the USB bridges spoken to through their HID reports are named on the command line:
// "hid", "hid:SERIAL" or "hid:PATH" for a bridge, "hid:N" for one of its GPIO pins. Plain
// text rules, the same on every platform, whether or not this build has the back-end.

#include <optional>
#include <string>

#include "core/adapters/bus_identity.h"

inline constexpr const char* kHidPrefix = "hid:";

// "hid", or "hid:" and a serial or a path.
inline bool namesHidBridge(const std::string& adapter) {
    return adapter == "hid" || (adapter.rfind(kHidPrefix, 0) == 0 && adapter.size() > 4);
}

// N of "hid:N" (one or two digits); none for anything else.
inline std::optional<int> hidPulsePin(const std::string& pulseGpio) {
    if (pulseGpio.rfind(kHidPrefix, 0) != 0) return std::nullopt;
    const std::string digits = pulseGpio.substr(std::string(kHidPrefix).size());
    if (digits.empty() || digits.size() > 2 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoi(digits);
}

// The bridge "hid:SERIAL" or "hid:PATH" stands for, as far as the system tells; only the
// name where this build has no HID back-end.
BusIdentity identifyHidBridge(const std::string& name);
