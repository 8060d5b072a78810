#pragma once
// The settings reader. The values it feeds belong to their owners: the settings file name
// and write delay to the window's start-up, the device address to the bus.

#include <string>
#include <string_view>

namespace PartVariables {

// The value of `key` in `section` of `file`, cut at a ';' comment. When it is missing or
// empty the result is `def`, and a non-empty `def` is written into the file.
std::string ReadIniString(const std::string& section, const std::string& key,
                          const std::string& def, const std::string& file);

// The "Write Delay" text as seconds: 0, 1 or more, and text that is not a number give 0.07;
// a negative value stays. The decimal point is '.' whatever the user's locale.
float writeDelayFromText(std::string_view text);

}  // namespace PartVariables
