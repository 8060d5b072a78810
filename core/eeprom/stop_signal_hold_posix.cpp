#include <csignal>
#include <mutex>

#include "core/eeprom/stop_signal_hold.h"

namespace eeprom {
namespace {

volatile std::sig_atomic_t stopPending = 0;

extern "C" void noteStop(int) {
    stopPending = 1;
}

// Sequences on several buses (one thread each) share the one process: the first hold
// installs the handler, the last one restores what was there before.
std::mutex holdMutex;
int holders = 0;
struct sigaction previousAction {};
bool installed = false;

}  // namespace

StopSignalHold::StopSignalHold() {
    const std::lock_guard lock(holdMutex);
    if (holders++ > 0) return;
    struct sigaction hold {};
    hold.sa_handler = noteStop;
    sigemptyset(&hold.sa_mask);
    hold.sa_flags = SA_RESTART;
    stopPending = 0;
    installed = sigaction(SIGTSTP, &hold, &previousAction) == 0;
    // A stop that the program ignores (started with SIGTSTP ignored) stays ignored.
    if (installed && previousAction.sa_handler == SIG_IGN) {
        sigaction(SIGTSTP, &previousAction, nullptr);
        installed = false;
    }
}

StopSignalHold::~StopSignalHold() {
    const std::lock_guard lock(holdMutex);
    if (--holders > 0 || !installed) return;
    installed = false;
    sigaction(SIGTSTP, &previousAction, nullptr);
    if (stopPending) {
        stopPending = 0;
        std::raise(SIGTSTP);
    }
}

}  // namespace eeprom
