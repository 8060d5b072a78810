#pragma once
// The help screens fit a terminal of 80 columns: the option table's long descriptions are
// wrapped under their own column rather than running on.

#include <string>

namespace cli {

constexpr std::size_t kHelpColumns = 80;

// `text` with every line longer than `columns` broken at spaces. A continuation line starts
// where the line's description started (after the first gap of two or more spaces), or under the
// line's own indent when it has no such gap (two columns for an unindented line).
std::string wrapHelp(const std::string& text, std::size_t columns = kHelpColumns);

}  // namespace cli
