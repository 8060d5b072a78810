#include <array>
#include <atomic>
#include <csignal>
#include <cstring>
#include <mutex>

#include "cli/interrupts.h"

namespace cli {
namespace {

// Every signal whose default ends the process and that can be caught; SIGKILL and SIGSTOP
// cannot, and the faults of the program itself (SIGSEGV, SIGBUS, ...) are not requests.
constexpr std::array kWatched{SIGINT,  SIGTERM,   SIGHUP,  SIGQUIT, SIGPIPE, SIGUSR1, SIGUSR2,
                              SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ, SIGPOLL, SIGPWR};

// Shared by every board's thread: one signal brings each board to its own safe end.
std::atomic<int> caughtSignal = 0;
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

// Watches nest (the run on several boards around each board's programming); the outermost
// installs the handlers and gives the previous ones back.
std::mutex nestingMutex;
int nesting = 0;

extern "C" void noteSignal(int signal) {
    int none = 0;
    caughtSignal.compare_exchange_strong(none, signal);
}

std::array<struct sigaction, kWatched.size()>& previous() {
    static std::array<struct sigaction, kWatched.size()> p{};
    return p;
}

}  // namespace

InterruptWatch::InterruptWatch() {
    const std::lock_guard lock(nestingMutex);
    if (nesting++ > 0) return;
    caughtSignal = 0;
    struct sigaction note {};
    note.sa_handler = noteSignal;
    sigemptyset(&note.sa_mask);
    note.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kWatched.size(); ++i) sigaction(kWatched[i], &note, &previous()[i]);
}

InterruptWatch::~InterruptWatch() {
    const std::lock_guard lock(nestingMutex);
    if (--nesting > 0) return;
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
