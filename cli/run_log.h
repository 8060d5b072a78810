#pragma once
// The production log (--log FILE): one JSON Lines record per board per run, appended and
// synced, so that a line keeps its history even when a run is cut short or several
// processes share the file.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "core/eeprom/eeprom_fields.h"

namespace cli {

// What a command found out for the record; the commands fill what applies to them.
struct RunRecord {
    std::optional<eeprom::EepromImage> before;  // the chip's 0x06..0x0A before the command
    std::optional<eeprom::EepromImage> written;
    std::vector<std::uint8_t> readBack;
    std::optional<bool> pfalt;
    std::string stage;        // where the programming sequence ended
    std::string verified;     // "registers" or "after_power_up": what the verdict checked
    std::string reason;       // why it ended so; else the last message stands for it
    std::string lastMessage;  // kept by message()

    // For the error object of --json: what failed, where; set where it is known.
    std::string errorKind;
    int errorRegister = -1;
    bool printedJson = false;  // the command printed its own object
};

// Empty when the log can be appended to, else the reason; checked before the bus opens.
std::string checkLogWritable(const std::string& path);

struct RunTiming {
    std::chrono::system_clock::time_point started;
    std::chrono::steady_clock::duration took;
};

// Appends the run's record as one line and syncs it; false (with `why`) when it could not.
bool appendRunRecord(const std::string& path, const CliOptions& options, const RunRecord& record,
                     int exitCode, const RunTiming& timing, std::string& why);

}  // namespace cli
