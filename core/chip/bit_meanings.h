#pragma once
// What each bit of the shown registers 0x00-0x0A means, for tooltips: a bit of a multi-bit
// field names the field. Indexed like RegisterInfo::bits (index = bit number).

#include <array>
#include <string_view>

#include "core/chip/register_map.h"

namespace chip {

inline constexpr std::array<std::array<std::string_view, 8>, kLastShown + 1> kBitMeanings{{
    // 0x00 STATUS
    {"Short circuit in discharge detected", "Over-current in discharge detected",
     "A cell is over its over-voltage threshold", "A cell is under its under-voltage threshold",
     "Over-temperature detected",
     "The chip's supply voltage is good (needed to program the EEPROM)", "Discharge FET status",
     "Charge FET status"},
    // 0x01 OUTPUT_CNTRL
    {"Latch clear: clears the latched protection flags", "External discharge FET control",
     "External charge FET control", "GPOD output enable", "Reserved", "Reserved",
     "EEPROM programming fault: set when the last programming failed",
     "Under-voltage detection sampling time"},
    // 0x02 STATE_CNTRL
    {"Shutdown mode enable", "Control mode: 1 = Host, 0 = Standalone", "Reserved", "Reserved",
     "Reserved", "Reserved", "Cell amplifier scale: 1 = 0.20, 0 = 0.15",
     "Current monitor amplifier gain: 1 = 50, 0 = 10"},
    // 0x03 FNCTN_CNTRL
    {"Cell voltage amplifier enable", "Current monitor amplifier enable",
     "Offset voltage output enable", "Pack total voltage output enable",
     "Battery total voltage output enable", "Thermistor power (host mode) enable",
     "Balance charge bypass of cell 9", "Balance charge bypass of cell 10"},
    // 0x04 CELL_BALANCE
    {"Balance charge bypass of cell 1", "Balance charge bypass of cell 2",
     "Balance charge bypass of cell 3", "Balance charge bypass of cell 4",
     "Balance charge bypass of cell 5", "Balance charge bypass of cell 6",
     "Balance charge bypass of cell 7", "Balance charge bypass of cell 8"},
    // 0x05 CELL_SEL
    {"Cell selected for the cell voltage output", "Cell selected for the cell voltage output",
     "Cell selected for the cell voltage output", "Cell selected for the cell voltage output",
     "Calibration measurement", "Calibration measurement", "Calibration measurement", "Reserved"},
    // 0x06 OV_CFG
    {"Cell over-voltage threshold", "Cell over-voltage threshold", "Cell over-voltage threshold",
     "Over-voltage hysteresis", "Over-voltage hysteresis", "Over-voltage detection delay",
     "Over-voltage detection delay", "Over-voltage detection delay"},
    // 0x07 UV_LEVEL
    {"Cell under-voltage threshold", "Cell under-voltage threshold", "Cell under-voltage threshold",
     "Cell under-voltage threshold", "Under-voltage hysteresis", "Under-voltage hysteresis",
     "Disable automatic DSG FET control in under-voltage",
     "Disable automatic DSG and CHG control in over-current and short circuit"},
    // 0x08 OCV_UV DELAY
    {"Over-current voltage threshold", "Over-current voltage threshold",
     "Over-current voltage threshold", "Over-current voltage threshold", "Under-voltage delay",
     "Under-voltage delay", "Under-voltage delay", "Under-voltage delay"},
    // 0x09 OCDELAY
    {"Over-current delay", "Over-current delay", "Over-current delay", "Over-current delay",
     "Over-current delay", "Short-circuit and over-current recovery in standalone mode",
     "GPOD 0 V / pre-charge mode in standalone mode", "Cell balancing function enable"},
    // 0x0A SCD_CFG
    {"Short-circuit voltage threshold", "Short-circuit voltage threshold",
     "Short-circuit voltage threshold", "Short-circuit voltage threshold", "Short-circuit delay",
     "Short-circuit delay", "Short-circuit delay", "Short-circuit delay"},
}};

// The meaning of `bit` of the shown register `address`; empty outside 0x00-0x0A.
constexpr std::string_view bitMeaning(unsigned address, unsigned bit) {
    if (address > kLastShown || bit > 7) return {};
    return kBitMeanings[address][bit];
}

}  // namespace chip
