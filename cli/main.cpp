// varenthal-cli: the command-line tool for the Varenthal battery-protection chip, on the same
// core as the window program.

#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/console.h"
#include "cli/run_command.h"

int main(int argc, char* argv[]) {
    const std::vector<std::string> args = cli::prepareConsole(argc, argv);
    std::vector<const char*> pointers;
    for (const std::string& a : args) pointers.push_back(a.c_str());
    pointers.push_back(nullptr);
    const cli::ParseResult parsed =
        cli::parseArguments(static_cast<int>(args.size()), pointers.data(), std::cout, std::cerr);
    if (!parsed.options) return parsed.exitCode;
    const cli::Io io{std::cout, std::cerr, std::cin, parsed.options->json, {}, nullptr};
    return cli::runCommand(*parsed.options, io);
}
