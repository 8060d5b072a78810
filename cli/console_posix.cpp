#include <unistd.h>

#include "cli/console.h"

namespace cli {

bool stdinIsTerminal() {
    return ::isatty(STDIN_FILENO) != 0;
}

std::vector<std::string> prepareConsole(int argc, char* argv[]) {
    return {argv, argv + argc};
}

std::string hostName() {
    char name[256] = {};
    return gethostname(name, sizeof name - 1) == 0 ? name : "";
}

}  // namespace cli
