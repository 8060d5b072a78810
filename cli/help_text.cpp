#include "cli/help_text.h"

#include <sstream>

namespace cli {
namespace {

// Where the text that wraps continues: the description column, else the line's own indent
// (two columns for a line that has none).
std::size_t hangingIndent(const std::string& line) {
    const std::size_t indent = line.find_first_not_of(' ');
    if (indent == std::string::npos) return 0;
    const std::size_t gap = line.find("  ", indent);
    if (gap != std::string::npos) {
        const std::size_t text = line.find_first_not_of(' ', gap);
        if (text != std::string::npos && text < line.size() / 2 + 40) return text;
    }
    return indent == 0 ? 2 : indent;
}

void wrapLine(const std::string& line, std::size_t columns, std::string& out) {
    if (line.size() <= columns) {
        (out += line) += '\n';
        return;
    }
    const std::size_t hang = hangingIndent(line);
    std::string rest = line;
    bool first = true;
    while (rest.size() > columns) {
        // The last space within the width that leaves text on this line.
        const std::size_t floor = first ? hang : hang + 1;
        std::size_t cut = rest.rfind(' ', columns);
        while (cut != std::string::npos && cut > floor && rest[cut - 1] == ' ') --cut;
        if (cut == std::string::npos || cut <= floor) {
            cut = rest.find(' ', columns);  // one word longer than the room: it stays whole
            if (cut == std::string::npos) break;
        }
        (out += rest.substr(0, cut)) += '\n';
        const std::size_t next = rest.find_first_not_of(' ', cut);
        if (next == std::string::npos) {
            rest.clear();
            break;
        }
        rest = std::string(hang, ' ') + rest.substr(next);
        first = false;
    }
    if (!rest.empty()) (out += rest) += '\n';
}

}  // namespace

std::string wrapHelp(const std::string& text, std::size_t columns) {
    std::string out;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) wrapLine(line, columns, out);
    if (!text.empty() && text.back() != '\n' && !out.empty()) out.pop_back();
    return out;
}

}  // namespace cli
