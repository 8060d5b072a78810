#pragma once
// How the tool meets the console it was started from.

#include <string>
#include <vector>

namespace cli {

// Whether a person may be typing on standard input (a terminal or console, not a file, a
// pipe or the null device).
bool stdinIsTerminal();

// The command line as UTF-8, whatever the system's code page, and standard output and error
// set to pass the program's bytes as they are ("\n" stays "\n"), so that scripts read the
// same text on every system.
std::vector<std::string> prepareConsole(int argc, char* argv[]);

// The name of the computer, for the log.
std::string hostName();

}  // namespace cli
