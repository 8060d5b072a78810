#include <windows.h>

#include <atomic>
#include <mutex>

#include "cli/interrupts.h"

namespace cli {
namespace {

// The console event noted first, plus one so that 0 stays "none"; shared by every board's
// thread, as on POSIX.
std::atomic<int> caughtEvent = 0;

std::mutex nestingMutex;
int nesting = 0;

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI noteEvent(DWORD event) {
    int none = 0;
    caughtEvent.compare_exchange_strong(none, static_cast<int>(event) + 1);
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            return TRUE;  // noted; the programming sequence ends the run
        default:
            // Close, log-off, shutdown: the system ends the process as soon as this returns.
            // It does not return, so that the sequence reaches its safe end and the tool its
            // verdict and exit; the system's own time limit is the last word.
            Sleep(INFINITE);
            return TRUE;
    }
}

}  // namespace

InterruptWatch::InterruptWatch() {
    const std::lock_guard lock(nestingMutex);
    if (nesting++ > 0) return;
    caughtEvent = 0;
    SetConsoleCtrlHandler(noteEvent, TRUE);
}

InterruptWatch::~InterruptWatch() {
    const std::lock_guard lock(nestingMutex);
    if (--nesting > 0) return;
    SetConsoleCtrlHandler(noteEvent, FALSE);
}

int InterruptWatch::caught() const {
    return caughtEvent;
}

std::string InterruptWatch::caughtName() const {
    switch (caughtEvent - 1) {
        case -1:
            return {};
        case CTRL_C_EVENT:
            return "SIGINT";
        case CTRL_BREAK_EVENT:
            return "SIGBREAK";
        case CTRL_CLOSE_EVENT:
            return "CTRL_CLOSE_EVENT";
        case CTRL_LOGOFF_EVENT:
            return "CTRL_LOGOFF_EVENT";
        case CTRL_SHUTDOWN_EVENT:
            return "CTRL_SHUTDOWN_EVENT";
        default:
            return "console event " + std::to_string(caughtEvent - 1);
    }
}

}  // namespace cli
