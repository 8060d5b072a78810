// varenthal-cli: the command-line tool for the Varenthal battery-protection chip, on the same
// core as the window program.

#include <iostream>

#include "cli/cli_options.h"
#include "cli/run_command.h"

int main(int argc, char* argv[]) {
    const cli::ParseResult parsed = cli::parseArguments(argc, argv, std::cout, std::cerr);
    if (!parsed.options) return parsed.exitCode;
    const cli::Io io{std::cout, std::cerr, std::cin, parsed.options->json, {}, nullptr};
    return cli::runCommand(*parsed.options, io);
}
