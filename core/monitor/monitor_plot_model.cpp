#include "core/monitor/monitor_plot_model.h"

#include <algorithm>

namespace monitor {

MonitorPlotModel::MonitorPlotModel(std::vector<std::uint8_t> registers, std::size_t maxBuckets)
    : addresses_(std::move(registers)),
      flags_(8, MinMaxSeries(maxBuckets)),
      registers_(addresses_.size(), MinMaxSeries(maxBuckets)) {}

void MonitorPlotModel::add(const MonitorSample& sample, const std::vector<std::uint8_t>& sampled) {
    for (int bit = 0; bit < 8; ++bit) {
        std::optional<double> value;
        if (sample.status) value = (*sample.status >> bit) & 1;
        flags_[static_cast<std::size_t>(bit)].add(sample.seconds, value);
    }
    for (std::size_t i = 0; i < sampled.size() && i < sample.registers.size(); ++i) {
        const auto at = std::find(addresses_.begin(), addresses_.end(), sampled[i]);
        if (at == addresses_.end()) continue;
        std::optional<double> value;
        if (sample.registers[i]) value = *sample.registers[i];
        registers_[static_cast<std::size_t>(at - addresses_.begin())].add(sample.seconds, value);
    }
    last_ = sample.seconds;
}

}  // namespace monitor
