#include "core/monitor/flag_events.h"

#include "core/monitor/sample_format.h"

namespace monitor {

std::string formatEvent(const FlagEvent& event) {
    return clockTime(event.wallTime) + "  " + event.text;
}

std::vector<FlagEvent> FlagEventTracker::update(const MonitorSample& sample) {
    std::vector<FlagEvent> events;
    auto add = [&](std::string text) {
        events.push_back(FlagEvent{sample.wallTime, sample.seconds, std::move(text)});
    };
    if (!sample.status) {
        if (!silent_) add("no answer");
        silent_ = true;
        return events;
    }
    if (silent_) add("answering again");
    silent_ = false;
    const std::uint8_t now = *sample.status;
    if (last_) {
        const std::vector<std::string_view> names = flagNames();
        const std::uint8_t changed = *last_ ^ now;
        for (int bit = 0; bit < 8; ++bit) {
            if (!(changed & (1U << bit))) continue;
            add(std::string(names[bit]) + ((now >> bit) & 1 ? " set" : " cleared"));
        }
    }
    last_ = now;
    return events;
}

}  // namespace monitor
