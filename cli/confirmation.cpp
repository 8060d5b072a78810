#include "cli/confirmation.h"

#include <algorithm>
#include <cctype>
#include <istream>
#include <ostream>

#include "cli/console.h"

namespace cli {

Consent askBeforeWriting(const std::string& question, bool yes, std::istream& in,
                         std::ostream& err) {
    if (yes) return Consent::Given;
    if (!stdinIsTerminal()) return Consent::NeedsYes;
    err << question << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(in, answer)) return Consent::Refused;
    std::transform(answer.begin(), answer.end(), answer.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return answer == "y" || answer == "yes" ? Consent::Given : Consent::Refused;
}

bool inputIsTerminal() {
    return stdinIsTerminal();
}

std::string refusalText(Consent consent) {
    return consent == Consent::NeedsYes
               ? "this write needs confirmation: run it on a terminal or add --yes"
               : "not confirmed; nothing was written";
}

}  // namespace cli
