#include "core/monitor/monitor_sample.h"

#include <algorithm>

#include "core/chip/register_map.h"

namespace monitor {
namespace {

std::optional<std::uint8_t> readOne(const RegisterReader& read, std::uint8_t address) {
    std::uint8_t value = 0;
    if (read(address, value) != 0) return std::nullopt;
    return value;
}

}  // namespace

bool MonitorSample::ok() const {
    return status && std::all_of(registers.begin(), registers.end(),
                                 [](const auto& r) { return r.has_value(); });
}

MonitorSample completeSample(std::optional<std::uint8_t> status,
                             const std::vector<std::uint8_t>& registers, const RegisterReader& read,
                             std::chrono::system_clock::time_point wallTime, double seconds) {
    MonitorSample sample;
    sample.wallTime = wallTime;
    sample.seconds = seconds;
    sample.status = status;
    sample.registers.reserve(registers.size());
    for (std::uint8_t address : registers) sample.registers.push_back(readOne(read, address));
    return sample;
}

MonitorSample takeSample(const std::vector<std::uint8_t>& registers, const RegisterReader& read,
                         std::chrono::system_clock::time_point wallTime, double seconds) {
    return completeSample(readOne(read, chip::STATUS), registers, read, wallTime, seconds);
}

}  // namespace monitor
