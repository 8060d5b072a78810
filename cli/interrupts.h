#pragma once
// Terminating signals while the tool programs the chip (on Windows: Ctrl-C, Ctrl-Break,
// closing the console, log-off and shutdown). Each one is only noted; the
// programming sequence looks at the note between its steps: before arming it stops at once,
// after arming it lets a started pulse run its full time, then disarms. Either way the tool
// gives its verdict and leaves with kExitInterrupted. Watches may nest and be held from
// several threads: the signal noted is the same for all of them.

#include <string>

namespace cli {

class InterruptWatch {
public:
    InterruptWatch();
    ~InterruptWatch();  // the previous handlers come back
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    // The first signal noted, or 0.
    int caught() const;
    // "SIGINT", "SIGTERM", ... of caught(); on Windows "SIGINT" for Ctrl-C, "SIGBREAK" for
    // Ctrl-Break, "CTRL_CLOSE_EVENT", "CTRL_LOGOFF_EVENT" or "CTRL_SHUTDOWN_EVENT".
    std::string caughtName() const;
};

}  // namespace cli
