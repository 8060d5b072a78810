#pragma once
// Where two sets of the five configuration bytes differ, register by register, with each
// differing field as the EEPROM page shows it: what the Verify button reports.

#include <cstdint>
#include <string>
#include <vector>

#include "core/eeprom/eeprom_fields.h"

namespace eeprom {

struct FieldDifference {
    std::string label;             // the page's label or check-box caption
    std::string expected, actual;  // shown texts with their units ("4.30 V"), "set"/"clear"
};

struct RegisterDifference {
    std::uint8_t address = 0;
    std::uint8_t expected = 0, actual = 0;
    std::vector<FieldDifference> fields;
};

// The registers where `actual` differs from `expected`, in register order. `uvDelayItems`
// are the texts of the UV delay list to show its codes with (they depend on FS and the cell
// count).
std::vector<RegisterDifference> registerDifferences(const EepromImage& expected,
                                                    const EepromImage& actual,
                                                    const std::vector<std::string>& uvDelayItems);

}  // namespace eeprom
