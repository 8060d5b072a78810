// A day at 10 Hz (864,000 samples) through the recorder: the events and the plot model
// alone, then with the CSV file as well; time per sample and resident memory growth.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/monitor/csv_recorder.h"
#include "core/monitor/flag_events.h"
#include "core/monitor/monitor_plot_model.h"

namespace {

constexpr int kSamples = 864'000;

double residentMiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    }
    return 0;
}

monitor::MonitorSample sample(int i) {
    monitor::MonitorSample s;
    s.wallTime = std::chrono::system_clock::time_point(
        std::chrono::milliseconds(1'796'652'192'000LL + i * 100LL));
    s.seconds = i * 0.1;
    // A flag that changes every 10 s, and a silent sample now and then.
    if (i % 5000 != 4999) s.status = static_cast<std::uint8_t>(0xE0 | ((i / 100) % 2 ? 0x04 : 0));
    s.registers = {static_cast<std::uint8_t>(i & 0xFF), std::uint8_t{0x28}};
    return s;
}

void report(const char* name, double value, const char* unit, double target) {
    std::printf("%-44s %10.3f %-4s  target %-10g ratio %.2f\n", name, value, unit, target,
                value / target);
}

}  // namespace

int main() {
    const std::vector<std::uint8_t> ticked{0x01, 0x08};
    std::vector<std::uint8_t> all;
    for (std::uint8_t a = 1; a <= 10; ++a) all.push_back(a);

    const double rssBefore = residentMiB();
    monitor::MonitorPlotModel plot(all);
    monitor::FlagEventTracker events;
    std::size_t eventCount = 0;
    auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < kSamples; ++i) {
        const monitor::MonitorSample s = sample(i);
        plot.add(s, ticked);
        eventCount += events.update(s).size();
    }
    const double inMemory =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count() /
        kSamples;
    const double growth = residentMiB() - rssBefore;

    const std::string path = (std::filesystem::temp_directory_path() /
                              ("recorder-bench-" + std::to_string(getpid()) + ".csv"))
                                 .string();
    monitor::CsvRecorder recorder;
    recorder.open(path, ticked);
    t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < kSamples; ++i) recorder.add(sample(i));
    recorder.close();
    const double withFile =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count() /
        kSamples;
    const auto bytes = std::filesystem::file_size(path);
    std::filesystem::remove(path);

    report("recorder+plot per sample (no file)", inMemory, "us", 1.0);
    // The file write has no target of its own; shown so that the whole cost is known.
    std::printf("%-44s %10.3f %-4s  (no target: the file write)\n",
                "CSV row format and write per sample", withFile, "us");
    report("resident growth after 864,000 samples", growth, "MiB", 20.0);
    std::printf("%-44s %10zu events, %zu plot buckets a trace, CSV %.1f MiB\n", "  (for reference)",
                eventCount, plot.flag(2).bucketCount(), static_cast<double>(bytes) / (1 << 20));
    return 0;
}
