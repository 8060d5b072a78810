#pragma once
// The command line of varenthal-cli: what the user asked for, checked before the bus opens.

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/watch_command.h"
#include "core/adapters/adapter_setup.h"

namespace cli {

enum class Command {
    List,
    Read,
    Write,
    Dump,
    Status,
    EepromShow,
    EepromSave,
    EepromProgram,
    EepromVerify,
    Watch,
};

// The command as a line names it: "dump", "eeprom program" and the like.
std::string_view commandName(Command command);

struct CliOptions {
    AdapterOptions adapter;              // the board, or the first of several
    std::vector<AdapterOptions> boards;  // several --adapter: every board in order, else empty
    int board = 0;                       // in a run on several boards: this one's number (1..)
    bool json = false;
    std::string logFile;  // --log: one record per board per run
    bool yes = false;     // writes that would ask on a terminal go ahead without asking
    Command command = Command::List;

    std::uint8_t address = 0;      // read, write
    std::uint8_t data = 0;         // write
    std::string file;              // eeprom show (may be empty: from the chip), save, program,
                                   // verify
    std::string backupFile;        // eeprom program --backup
    bool allowIncomplete = false;  // eeprom program, verify: a file without every register key
    // eeprom program, verify: the board's power off and on first (verify) or after the burn
    // (program), through each board's --power-gpio line, or by the operator when none.
    bool powerCycle = false;
    double powerOffSeconds = 2.0;     // long enough for a board's supply to run down
    double powerSettleSeconds = 1.0;  // for the chip to load its EEPROM and answer
    std::optional<int> fs;         // eeprom show --fs
    int cells = 10;                // eeprom show --cells
    WatchOptions watch;
};

struct ParseResult {
    std::optional<CliOptions> options;  // set when a command should run
    int exitCode = 0;                   // otherwise: leave with this code
};

// Parses the arguments. Help, version and errors are printed here: help and version to
// `out`, errors to `err`.
ParseResult parseArguments(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace cli
