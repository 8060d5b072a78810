#pragma once
// Runs the command that the options name: checks its input, asks where a write needs it,
// opens the adapter, runs, and closes again. Returns the tool's exit code.

#include "cli/cli_io.h"
#include "cli/cli_options.h"

namespace cli {

int runCommand(const CliOptions& options, const Io& io);
// One board: the command, its error object with --json, and its --log record.
int runOnBoard(const CliOptions& options, const Io& io);

}  // namespace cli
