#pragma once
// A command on several boards at once: each board in its own thread with its own bus, its
// output kept apart and printed as one block (text) or one object (JSON) per board, in the
// order of --adapter. Exit 0 only when every board succeeded.

#include "cli/cli_io.h"
#include "cli/cli_options.h"

namespace cli {

int runOnBoards(const CliOptions& options, const Io& io);

}  // namespace cli
