#pragma once
// The window program's command line.

#include <QStringList>
#include <optional>

#include "core/adapters/adapter_setup.h"

struct CommandLineResult {
    std::optional<AdapterOptions> options;  // set when the program should start
    int exitCode = 0;                       // otherwise: leave with this code
};

// Parses the arguments; prints help, version or a one-line error itself.
CommandLineResult parseCommandLine(const QStringList& arguments);
