// Signals reaching `eeprom program` through the real executable, sent when the trace shows
// the point of the sequence: before arming it stops at once; after arming the pulse under
// way runs its full time, then the chip is disarmed; a verdict and exit 130 either way.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>
#include <vector>

#include "cli_run.h"
#include "core/sim/sim_state_file.h"
#include "core/sim/simulated_chip.h"

namespace {

constexpr const char* kPack =
    "[Device]\nName=Varenthal\n[Registers]\nRegister06=4C\nRegister07=1D\n"
    "Register08=28\nRegister09=87\nRegister0A=49\n";
const SimulatedChip::Eeprom kPackImage{0x4C, 0x1D, 0x28, 0x87, 0x49};

// Waits until a trace line contains `text`; false after five seconds.
bool traceShows(const std::string& trace, const std::string& text) {
    for (int i = 0; i < 1000; ++i) {
        std::ifstream in(trace);
        for (std::string line; std::getline(in, line);) {
            if (line.find(text) != std::string::npos) return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

double seconds(const std::string& traceLine) {
    return std::stod(traceLine);
}

struct Point {
    int signal;
    const char* when;  // trace text after which the signal is sent
    const char* stage;
    bool burnt;
};

TEST(CliSignals, EveryTerminatingSignalEndsDisarmedWithAVerdict) {
    const Point points[] = {
        {SIGINT, "open sim", "loading", false},  {SIGTERM, "write 0B 71", "armed", false},
        {SIGHUP, "write 0B 41", "armed", false}, {SIGPIPE, "write 0B 71", "armed", false},
        {SIGQUIT, "pulse 1", "pulsing", true},   {SIGUSR1, "pulse 1", "pulsing", true},
        {SIGALRM, "pulse 1", "pulsing", true},
    };
    for (const Point& p : points) {
        SCOPED_TRACE(std::string(strsignal(p.signal)) + " after " + p.when);
        TempDir dir;
        const std::string pack = dir.file("pack.ee"), trace = dir.file("bus.log"),
                          state = dir.file("chip.state");
        writeFile(pack, kPack);
        CliProcess cli({"--adapter", "sim", "--sim-state", state, "--trace", trace, "--json",
                        "--yes", "eeprom", "program", pack});
        ASSERT_TRUE(traceShows(trace, p.when));
        kill(cli.pid(), p.signal);
        const CliRun result = cli.wait();

        EXPECT_EQ(result.exitCode, 130) << result.err;
        const auto verdict = nlohmann::json::parse(result.out);
        EXPECT_EQ(verdict["result"], "interrupted");
        EXPECT_EQ(verdict["stage"], p.stage);
        EXPECT_NE(verdict["reason"].get<std::string>().find(sigabbrev_np(p.signal)),
                  std::string::npos);

        const std::vector<std::string> events = traceEvents(trace);
        std::vector<std::string> lines;
        for (std::ifstream in(trace); std::getline(in, lines.emplace_back());) {
        }
        const bool armed = std::string(p.stage) != "loading";
        const bool pulsed = std::string(p.stage) == "pulsing";
        ASSERT_GE(events.size(), 3U);
        if (pulsed) {
            EXPECT_EQ(std::vector(events.end() - 3, events.end()),
                      (std::vector<std::string>{"write 0B 00 rc=0", "pulse 0 0 0 rc=0", "close"}));
            // The pulse was never cut short.
            double on = 0, off = 0;
            for (const std::string& l : lines) {
                if (l.find("pulse 1") != std::string::npos) on = seconds(l);
                if (l.find("write 0B 00") != std::string::npos) off = seconds(l);
            }
            EXPECT_GE(off - on, 0.99);
        } else if (armed) {
            EXPECT_EQ(events[events.size() - 2], "write 0B 00 rc=0");
        } else {
            for (const std::string& e : events)
                EXPECT_EQ(e.rfind("write 0B", 0), std::string::npos);
        }
        const SimStateLoad saved = loadSimState(state);
        EXPECT_EQ(saved.eeprom.value_or(SimulatedChip::kDefaultEeprom),
                  p.burnt ? kPackImage : SimulatedChip::kDefaultEeprom);
    }
}

// Ctrl-Z during the pulse: the stop takes effect only once the chip is safe.
TEST(CliSignals, TerminalStopWaitsUntilTheChipIsDisarmed) {
    TempDir dir;
    const std::string pack = dir.file("pack.ee"), trace = dir.file("bus.log");
    writeFile(pack, kPack);
    CliProcess cli({"--adapter", "sim", "--trace", trace, "--yes", "eeprom", "program", pack});
    ASSERT_TRUE(traceShows(trace, "pulse 1"));
    kill(cli.pid(), SIGTSTP);
    auto processState = [&] {
        std::ifstream stat("/proc/" + std::to_string(cli.pid()) + "/stat");
        std::string pid, name, state;
        stat >> pid >> name >> state;
        return state;
    };
    for (int i = 0; i < 500 && processState() != "T"; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(processState(), "T");
    // Whenever it stopped, the chip was safe by then: disarmed and the voltage off.
    const std::vector<std::string> events = traceEvents(trace);
    const auto at = [&](const std::string& line) {
        return std::find(events.begin(), events.end(), line) - events.begin();
    };
    EXPECT_LT(at("write 0B 00 rc=0"), static_cast<long>(events.size())) << "stopped while armed";
    EXPECT_LT(at("pulse 0 0 0 rc=0"), static_cast<long>(events.size()))
        << "stopped with the voltage on";
    kill(cli.pid(), SIGCONT);
    EXPECT_EQ(cli.wait().exitCode, 0);
}

}  // namespace
