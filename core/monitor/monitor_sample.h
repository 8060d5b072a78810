#pragma once
// One sample of the chip over time: STATUS and the registers the user ticked, read together.
// A register that did not answer is empty, never a zero.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace monitor {

// How the monitor reaches the bus: a register read, 0 = success.
using RegisterReader = std::function<std::int32_t(std::uint8_t address, std::uint8_t& data)>;

struct MonitorSample {
    std::chrono::system_clock::time_point wallTime;
    double seconds = 0;                                  // since the start of the run
    std::optional<std::uint8_t> status;                  // empty: no answer
    std::vector<std::optional<std::uint8_t>> registers;  // in the order of the ticked list

    // Every read of the sample answered.
    bool ok() const;
};

// Reads the ticked `registers` after a STATUS read whose result is already known (the
// status monitor's own read, or one just made).
MonitorSample completeSample(std::optional<std::uint8_t> status,
                             const std::vector<std::uint8_t>& registers, const RegisterReader& read,
                             std::chrono::system_clock::time_point wallTime, double seconds);
// Reads STATUS, then the ticked `registers`.
MonitorSample takeSample(const std::vector<std::uint8_t>& registers, const RegisterReader& read,
                         std::chrono::system_clock::time_point wallTime, double seconds);

}  // namespace monitor
