#include "cli/watch_command.h"

#include <CLI/CLI.hpp>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <ostream>
#include <string>
#include <thread>

#include "cli/exit_codes.h"
#include "cli/hex_argument.h"
#include "core/chip/register_map.h"
#include "core/link/communication.h"
#include "core/link/miscellaneous.h"
#include "core/monitor/sample_format.h"

namespace cli {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFastestIntervalMs = 50;
// How often a wait looks at the stop flag: Ctrl-C ends even a slow watch at once.
constexpr auto kWaitSlice = std::chrono::milliseconds(20);

std::atomic<bool> stopRequested{false};

extern "C" void requestStop(int) {
    stopRequested = true;
}

// Ctrl-C and SIGTERM end the watch after the row under way; the handlers before are put
// back on every way out.
class StopSignals {
public:
    StopSignals() {
        stopRequested = false;
        previousInt_ = std::signal(SIGINT, requestStop);
        previousTerm_ = std::signal(SIGTERM, requestStop);
    }
    ~StopSignals() {
        std::signal(SIGINT, previousInt_);
        std::signal(SIGTERM, previousTerm_);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    void (*previousInt_)(int);
    void (*previousTerm_)(int);
};

std::string checkRegisterList(const std::string& text, std::vector<std::uint8_t>& out) {
    out.clear();
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, comma - start);
        const auto address = parseHexArgument(item);
        if (item.empty() || !address || !chip::findRegister(*address)) {
            return "bad register '" + item + "' in --registers (hex addresses 00 to 0A)";
        }
        out.push_back(*address);
        start = comma + 1;
    }
    return {};
}

Json hexOrNull(const std::optional<std::uint8_t>& value) {
    return value ? Json(Miscellaneous::ByteToHex(*value)) : Json(nullptr);
}

// The CSV columns as keys, in the same order; what did not answer is null.
Json jsonRow(const monitor::MonitorSample& s, const std::vector<std::uint8_t>& registers) {
    Json row{{"time", monitor::isoTime(s.wallTime)},
             {"seconds", std::round(s.seconds * 1000.0) / 1000.0},
             {"status", hexOrNull(s.status)}};
    const std::vector<std::string_view> flags = monitor::flagNames();
    for (int bit = 0; bit < 8; ++bit) {
        row[std::string(flags[bit])] = s.status ? Json((*s.status >> bit) & 1) : Json(nullptr);
    }
    for (std::size_t i = 0; i < registers.size(); ++i) {
        row[monitor::registerColumn(registers[i])] = hexOrNull(s.registers[i]);
    }
    row["comm"] = s.ok() ? "ok" : "error";
    return row;
}

// Waits until `deadline`; false when a stop was asked for meanwhile.
bool waitUntil(Clock::time_point deadline) {
    while (!stopRequested) {
        const auto now = Clock::now();
        if (now >= deadline) return true;
        std::this_thread::sleep_for(std::min<Clock::duration>(deadline - now, kWaitSlice));
    }
    return false;
}

}  // namespace

CLI::App* addWatchCommand(CLI::App& app, WatchOptions& o) {
    CLI::App* watch = app.add_subcommand(
        "watch", "stream STATUS (and --registers) as CSV rows or JSON Lines over time");
    watch->add_option("--interval", o.intervalMs, "milliseconds between samples")
        ->type_name("MS")
        ->check(CLI::Range(kFastestIntervalMs, 3600 * 1000))
        ->capture_default_str();
    auto* count = watch->add_option("--count", o.count, "stop after N samples")
                      ->type_name("N")
                      ->check(CLI::PositiveNumber);
    watch->add_option("--duration", o.durationSeconds, "stop after S seconds")
        ->type_name("S")
        ->check(CLI::PositiveNumber)
        ->excludes(count);
    watch
        ->add_option_function<std::string>(
            "--registers",
            [&o](const std::string& text) {
                if (const std::string why = checkRegisterList(text, o.registers); !why.empty()) {
                    throw CLI::ValidationError("--registers", why);
                }
            },
            "registers to sample with STATUS, e.g. 01,05")
        ->type_name("AA,BB,...");
    watch->add_flag("--csv", o.csv, "CSV rows with a header line (the default)");
    watch
        ->add_option("--max-failures", o.maxFailures,
                     "exit 1 after more than N failed samples in a row")
        ->type_name("N")
        ->check(CLI::NonNegativeNumber)
        ->capture_default_str();
    return watch;
}

int runWatch(const WatchOptions& options, const monitor::RegisterReader& read, const Io& io) {
    const StopSignals signals;
    if (!io.json) io.out << monitor::csvHeader(options.registers) << std::flush;
    const auto interval = std::chrono::milliseconds(options.intervalMs);
    const auto start = Clock::now();
    std::optional<Clock::time_point> end;
    if (options.durationSeconds) {
        end = start + std::chrono::duration_cast<Clock::duration>(
                          std::chrono::duration<double>(*options.durationSeconds));
    }
    int failures = 0;
    for (long k = 0; !options.count || k < *options.count; ++k) {
        // Deadlines from the start, so the rows keep their pace however long a read takes.
        const auto deadline = start + k * interval;
        if (end && deadline >= *end) break;
        if (!waitUntil(deadline)) break;
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        const monitor::MonitorSample sample =
            monitor::takeSample(options.registers, read, std::chrono::system_clock::now(), seconds);
        if (io.json) {
            printJsonRow(io, jsonRow(sample, options.registers));
        } else {
            io.out << monitor::csvRow(sample);
        }
        io.out << std::flush;
        failures = sample.ok() ? 0 : failures + 1;
        if (failures > options.maxFailures) {
            message(io, std::string(Communication::kCommStatusError) + " (" +
                            std::to_string(failures) + " samples in a row failed)");
            return kExitChipFailed;
        }
    }
    return kExitOk;
}

}  // namespace cli
