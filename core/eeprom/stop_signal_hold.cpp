#include "core/eeprom/stop_signal_hold.h"

namespace eeprom {
namespace {

volatile std::sig_atomic_t stopPending = 0;

extern "C" void noteStop(int) {
    stopPending = 1;
}

}  // namespace

StopSignalHold::StopSignalHold() {
    struct sigaction hold {};
    hold.sa_handler = noteStop;
    sigemptyset(&hold.sa_mask);
    hold.sa_flags = SA_RESTART;
    stopPending = 0;
    installed_ = sigaction(SIGTSTP, &hold, &previous_) == 0;
    // A stop that the program ignores (started with SIGTSTP ignored) stays ignored.
    if (installed_ && previous_.sa_handler == SIG_IGN) {
        sigaction(SIGTSTP, &previous_, nullptr);
        installed_ = false;
    }
}

StopSignalHold::~StopSignalHold() {
    if (!installed_) return;
    sigaction(SIGTSTP, &previous_, nullptr);
    if (stopPending) {
        stopPending = 0;
        std::raise(SIGTSTP);
    }
}

}  // namespace eeprom
