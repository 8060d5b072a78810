#pragma once
// A scripted run of the simulated chip (--sim-scenario FILE), so that demonstrations and
// tests see the same faults at the same moments. One step a line:
//
//   # t_ms  name   on|off
//   2000    ov     on
//   5000    ov     off
//   5000    ltclr  on      the host's latch clear: OUTPUT_CNTRL LTCLR set ...
//   5000    ltclr  off     ... and cleared again, which releases the latched flags
//
// `name` is a --sim-fault name (ov, uv, ..., nak=AA) or `ltclr`. Times count from the moment
// the adapter is opened; steps with the same time run in the order written.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/sim/sim_fault.h"

class SimulatedChip;

struct SimScenarioStep {
    std::chrono::milliseconds at{0};
    std::optional<SimFault> fault;  // empty: the LTCLR bit of OUTPUT_CNTRL
    bool on = false;
};
using SimScenario = std::vector<SimScenarioStep>;

// Parses a scenario; nullopt and "line N: reason" in `error` when a line is not understood.
std::optional<SimScenario> parseSimScenario(std::string_view text, std::string* error = nullptr);
// Reads and parses the file at `path`.
std::optional<SimScenario> loadSimScenario(const std::string& path, std::string* error = nullptr);

// Plays a scenario on a chip against a clock.
class SimScenarioPlayer {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // An empty clock means steady_clock.
    SimScenarioPlayer(std::shared_ptr<SimulatedChip> chip, SimScenario scenario, Clock clock = {});

    // Time zero; later calls keep the first start.
    void start();
    // Applies every step that is due; nothing before start().
    void advance();

private:
    std::shared_ptr<SimulatedChip> chip_;
    SimScenario steps_;
    Clock clock_;
    std::optional<std::chrono::steady_clock::time_point> start_;
    std::size_t next_ = 0;
};
