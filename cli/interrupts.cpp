#include "cli/interrupts.h"

#include <array>
#include <cstring>

namespace cli {
namespace {

// Every signal whose default ends the process and that can be caught; SIGKILL and SIGSTOP
// cannot, and the faults of the program itself (SIGSEGV, SIGBUS, ...) are not requests.
constexpr std::array kWatched{SIGINT,  SIGTERM,   SIGHUP,  SIGQUIT, SIGPIPE, SIGUSR1, SIGUSR2,
                              SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ, SIGPOLL, SIGPWR};

volatile std::sig_atomic_t caughtSignal = 0;

extern "C" void noteSignal(int signal) {
    if (caughtSignal == 0) caughtSignal = signal;
}

std::array<struct sigaction, kWatched.size()>& previous() {
    static std::array<struct sigaction, kWatched.size()> p{};
    return p;
}

}  // namespace

InterruptWatch::InterruptWatch() {
    caughtSignal = 0;
    struct sigaction note {};
    note.sa_handler = noteSignal;
    sigemptyset(&note.sa_mask);
    note.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kWatched.size(); ++i) sigaction(kWatched[i], &note, &previous()[i]);
}

InterruptWatch::~InterruptWatch() {
    for (std::size_t i = 0; i < kWatched.size(); ++i)
        sigaction(kWatched[i], &previous()[i], nullptr);
}

int InterruptWatch::caught() const {
    return caughtSignal;
}

std::string InterruptWatch::caughtName() const {
    const int s = caughtSignal;
    if (s == 0) return {};
    const char* abbrev = sigabbrev_np(s);
    return abbrev ? std::string("SIG") + abbrev : "signal " + std::to_string(s);
}

}  // namespace cli
