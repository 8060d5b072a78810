#pragma once
// `varenthal-cli watch`: samples STATUS and the chosen registers at a steady interval and
// streams one row per sample to standard output (CSV with a header, or JSON Lines with
// --json) until the count, the duration or Ctrl-C.

#include <cstdint>
#include <optional>
#include <vector>

#include "cli/cli_io.h"
#include "core/monitor/monitor_sample.h"

namespace CLI {
class App;
}

namespace cli {

struct WatchOptions {
    int intervalMs = 1000;
    std::optional<long> count;
    std::optional<double> durationSeconds;
    std::vector<std::uint8_t> registers;
    bool csv = false;
    // A run of more failed samples than this ends the watch with exit code 1.
    int maxFailures = 10;
};

// Adds the subcommand and its options; the checked result lands in `options` on parse.
CLI::App* addWatchCommand(CLI::App& app, WatchOptions& options);

int runWatch(const WatchOptions& options, const monitor::RegisterReader& read, const Io& io);

}  // namespace cli
