#pragma once
// The event list: one line per change of a STATUS flag, with its time
// ("14:03:12.400  OV set"), and "no answer" when the chip stops answering.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/monitor/monitor_sample.h"

namespace monitor {

struct FlagEvent {
    std::chrono::system_clock::time_point wallTime;
    double seconds = 0;
    std::string text;  // "OV set", "DSG cleared", "no answer", "answering again"
};

// "14:03:12.400  OV set"
std::string formatEvent(const FlagEvent& event);

class FlagEventTracker {
public:
    // The events that `sample` brings, in bit order. The first answer sets the starting
    // state and brings none; after a gap the flags are compared with the last answer.
    std::vector<FlagEvent> update(const MonitorSample& sample);

private:
    std::optional<std::uint8_t> last_;
    bool silent_ = false;
};

}  // namespace monitor
