#pragma once
// What the strip chart draws: the eight STATUS flags as 0/1 step traces and each ticked
// register as its value, all in bounded memory (see min_max_series.h).

#include <cstdint>
#include <vector>

#include "core/monitor/min_max_series.h"
#include "core/monitor/monitor_sample.h"

namespace monitor {

class MonitorPlotModel {
public:
    // `registers`: every register that may be ticked during the run.
    explicit MonitorPlotModel(std::vector<std::uint8_t> registers, std::size_t maxBuckets = 1024);

    // `sampled` names the registers of `sample.registers`, in order; registers not ticked
    // get nothing for this sample.
    void add(const MonitorSample& sample, const std::vector<std::uint8_t>& sampled = {});

    // Bit 0 (SCD) to bit 7 (CHG).
    const MinMaxSeries& flag(int bit) const { return flags_[static_cast<std::size_t>(bit)]; }
    // In the order of the ticked list.
    const MinMaxSeries& reg(std::size_t i) const { return registers_[i]; }
    const std::vector<std::uint8_t>& registerAddresses() const { return addresses_; }
    // Seconds of the last sample.
    double lastSeconds() const { return last_; }

private:
    std::vector<std::uint8_t> addresses_;
    std::vector<MinMaxSeries> flags_;
    std::vector<MinMaxSeries> registers_;
    double last_ = 0;
};

}  // namespace monitor
