#pragma once
// The question before a risky write: asked on a terminal, answered by --yes otherwise.

#include <iosfwd>
#include <string>

namespace cli {

enum class Consent { Given, Refused, NeedsYes };

// With `yes` the answer is Given at once. Otherwise, when standard input is a terminal,
// `question` goes to `err` with " [y/N] " and a line of "y" or "yes" (any case) gives
// consent; without a terminal the answer is NeedsYes.
Consent askBeforeWriting(const std::string& question, bool yes, std::istream& in,
                         std::ostream& err);

// Whether standard input is a terminal that questions can be asked on.
bool inputIsTerminal();

// The message for an answer other than Given.
std::string refusalText(Consent consent);

}  // namespace cli
