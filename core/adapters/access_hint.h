#pragma once
// Where a user denied access to a bus or GPIO chip finds the example udev rule; it ships in
// packaging/ and, installed, among the documentation's examples.

inline constexpr const char* kUdevRuleHint =
    "the example udev rule 60-varenthal-i2c.rules.example (packaging/ in the sources, "
    "/usr/share/doc/varenthal/examples when installed from the package)";
