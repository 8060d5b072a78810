#pragma once
// Values shared across the program, and the settings reader.

#include <cstdint>
#include <string>
#include <string_view>

namespace PartVariables {

inline std::string IniFileName = "VarenthalEV.ini";
// Seconds; read at start-up, never used afterwards.
inline float WriteDelay = 0.07F;
// The chip's I2C device address, passed with every byte transfer.
inline std::int16_t I2CSlaveAddress = 32;
inline bool bScanEnabled = true;

// The value of `key` in `section` of `file`, cut at a ';' comment. When it is missing or
// empty the result is `def`, and a non-empty `def` is written into the file.
std::string ReadIniString(const std::string& section, const std::string& key,
                          const std::string& def, const std::string& file);

// The "Write Delay" text as seconds: 0, 1 or more, and text that is not a number give 0.07;
// a negative value stays. The decimal point is '.' whatever the user's locale.
float writeDelayFromText(std::string_view text);

}  // namespace PartVariables
