#include "cli/cli_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iterator>
#include <ostream>
#include <sstream>
#include <string_view>
#include <utility>

#include "cli/board_options.h"
#include "cli/confirmation.h"
#include "cli/exit_codes.h"
#include "cli/help_text.h"
#include "cli/hex_argument.h"
#include "cli/json_values.h"
#include "cli/run_log.h"
#include "core/base/safe_file.h"

namespace cli {
namespace {

constexpr std::pair<Command, std::string_view> kCommandNames[] = {
    {Command::List, "list"},
    {Command::Read, "read"},
    {Command::Write, "write"},
    {Command::Dump, "dump"},
    {Command::Status, "status"},
    {Command::EepromShow, "eeprom show"},
    {Command::EepromSave, "eeprom save"},
    {Command::EepromProgram, "eeprom program"},
    {Command::EepromVerify, "eeprom verify"},
    {Command::Watch, "watch"},
};

bool isCommandName(std::string_view name) {
    return std::any_of(std::begin(kCommandNames), std::end(kCommandNames),
                       [name](const auto& entry) { return entry.second == name; });
}

constexpr const char* kDescription =
    "varenthal-cli: reads, writes and programs the Varenthal battery-protection chip through "
    "a USB-to-I2C adapter or the built-in simulator.\n"
    "Data goes to standard output, messages and progress to standard error.";

constexpr const char* kFooter = R"(COMMANDS
  varenthal-cli [OPTIONS] list              the free adapters, one a line
  varenthal-cli [OPTIONS] read ADDR         one register as two hex digits
  varenthal-cli [OPTIONS] write ADDR DATA   one byte into one register
  varenthal-cli [OPTIONS] dump              0x00-0x0A: address, name, hex, bits
  varenthal-cli [OPTIONS] status            the STATUS byte and its flags
  varenthal-cli [OPTIONS] eeprom show [FILE.ee] [--fs 0|1] [--cells 5..10]
  varenthal-cli [OPTIONS] eeprom save FILE.ee
  varenthal-cli [OPTIONS] eeprom program [--backup FILE.ee] [--power-cycle]
                FILE.ee
  varenthal-cli [OPTIONS] eeprom verify [--power-cycle] FILE.ee
  varenthal-cli [OPTIONS] watch [--interval MS] [--count N | --duration S]
                [--registers 01,05,...] [--csv | --json] [--max-failures N]
  Each command has its own --help, e.g. varenthal-cli eeprom show --help.

ADDRESSES AND DATA
  Hex bytes: one or two hex digits of either case, with or without 0x
  (0A, a, 0x0a).

WRITES THAT ASK FIRST
  Writes to the control registers 0x01-0x05 go out at once. Any other write,
  and 'eeprom program', asks for confirmation on a terminal; without a
  terminal it needs --yes. Register 0x0B arms programming: prefer
  'eeprom program', which disarms again.

EEPROM FILES (.ee)
  [Device] Name=Varenthal, [Registers] Register06..Register0A = two hex digits
  each. 'eeprom show' decodes the five bytes as the EEPROM page shows them;
  --fs 1 and --cells N choose the under-voltage delay texts (default: FS from
  the chip, or 0 for a file; 10 cells).
  'eeprom save' and 'eeprom program --backup' replace an existing file only
  after "File Exists, Overwrite?" on a terminal, or with --yes.
  'eeprom program' refuses a file that lacks a RegisterNN key or leaves it
  empty (it would program 00 there) unless --allow-incomplete is given;
  'eeprom show' marks such keys.

WHAT A VERDICT CHECKED
  After the pulse 'eeprom program' reads back the registers it loaded a
  second earlier, which hold the new bytes whether or not anything was burnt:
  "verified": "registers". With --power-cycle it then switches the board off
  and on, and checks 0x06-0x0A and PFALT as the chip loaded them from its
  EEPROM: "verified": "after_power_up". The power goes through --power-gpio
  CHIP:LINE (a fixture's line that cuts the supply while high; once per
  board), 'sim' for the simulator's own supply, or, without a line, the
  operator switches it when asked on the terminal. 'eeprom verify
  --power-cycle' does the same before it reads. --power-off-time S
  (default 2) and --power-settle-time S (default 1).

SIMULATOR
  --adapter sim runs on a simulated chip; nothing needs to be plugged in.
  Without --sim-state each run starts from a fresh chip; with it, the file
  keeps the chip (its EEPROM too) between runs, like a board that is powered
  off and on again.
  --sim-fault NAME (repeatable) injects a condition: ov, uv, ocd, scd, ovtemp,
  vgood-low, program-fails, stuck-bit, unplugged, pulse-stuck (the programming
  voltage cannot be switched off), no-vpp (the voltage calls are answered,
  but nothing reaches the chip, so nothing is burnt), nak=AA (register AA
  does not acknowledge) or nak=AA:N (only its Nth transfer).
  --sim-scenario FILE plays faults over time, one 't_ms name on|off' a line,
  counted from the moment the adapter opens; the names are those of
  --sim-fault, and 'ltclr' sets and clears OUTPUT_CNTRL LTCLR as the host
  does, which releases the latched flags.

EXIT CODES
  0  success
  1  the chip or the bus failed: a failed transfer, no adapter, VGOOD not set,
     a read-back difference, PFALT, the programming voltage not applied, a
     read-back the chip did not answer, a power cycle that could not be made;
     'eeprom verify': the chip differs from the file, or PFALT is set
  2  bad usage or bad input: unknown option or command, invalid hex, a .ee
     file that is refused, a write that was not confirmed
  130  a signal ended 'eeprom program'; the chip was disarmed first

EXAMPLES
  varenthal-cli --adapter sim dump
      every register of the simulated chip, with its bits
  varenthal-cli --adapter sim --json status
      the STATUS flags as one JSON object
  varenthal-cli --adapter /dev/i2c-3 read 0x0A
  varenthal-cli --adapter hid --pulse-gpio hid:2 --yes eeprom program pack.ee
      through a CP2112 or MCP2221 bridge's HID reports, the voltage on its
      pin GPIO2
  varenthal-cli --adapter sim write 01 84
      control register: written at once
  varenthal-cli --adapter sim --yes write 0x06 5A
      configuration register: needs --yes without a terminal
  varenthal-cli eeprom show pack.ee --fs 1 --cells 7
      decode a file without touching the chip
  varenthal-cli --adapter sim --sim-state board.sim eeprom save before.ee
  varenthal-cli --adapter sim --sim-state board.sim --yes \
      eeprom program --backup before.ee pack.ee
  varenthal-cli --adapter sim --sim-state board.sim eeprom show
      after the "power cycle" the chip still holds what was programmed
  varenthal-cli --adapter sim --sim-fault vgood-low --yes \
      eeprom program pack.ee; echo $?
      prints 1: VGOOD did not get set
  varenthal-cli --adapter sim --trace bus.log --yes eeprom program pack.ee
      one line per adapter call in bus.log
  varenthal-cli --adapter sim --sim-scenario ov.txt watch --count 20 --csv
      twenty rows a second apart as the scenario sets and clears OV
  varenthal-cli --adapter usb --log run.jsonl --yes eeprom program pack.ee
      every board on a USB bridge at once, one record each in run.jsonl
  varenthal-cli --adapter sim --adapter sim --sim-fault 2:vgood-low --yes \
      eeprom program pack.ee
      two simulated boards side by side; board 2 fails, exit 1
)";

const CLI::Validator kHexByte(
    [](std::string& text) -> std::string {
        if (parseHexArgument(text)) return {};
        return "invalid hex '" + text + "' (one or two hex digits, optional 0x prefix)";
    },
    "HEX");

// Adds the options that every command takes; they may stand before or after the command.
void addGlobalOptions(CLI::App& app, CliOptions& o, BoardArguments& boards) {
    app.add_option("--adapter", boards.adapters,
                   "sim: the built-in simulator; i2c-dev: the first I2C bus under a USB "
                   "device, else the first CP2112 or MCP2221 bridge without its kernel driver; "
                   "hid: the first CP2112 or MCP2221 bridge through its HID reports, hid:SERIAL "
                   "or hid:PATH a given one; usb: every I2C bus under a USB device; or a bus "
                   "such as 3, i2c-3, /dev/i2c-3 or its adapter's name. Repeatable: one board "
                   "each")
        ->type_name("sim|i2c-dev|hid|hid:SERIAL|usb|N|i2c-N|/dev/i2c-N|NAME")
        ->default_str(o.adapter.adapter)
        ->allow_extra_args(false);
    app.add_option("--pulse-gpio", boards.pulseGpios,
                   "GPIO line of the programming voltage, e.g. gpiochip0:5, or hid:N, pin N "
                   "of the USB bridge (CP2112 0-7, MCP2221 0-3); once per board")
        ->type_name("CHIP:LINE|hid:N")
        ->allow_extra_args(false);
    app.add_option("--power-gpio", boards.powerGpios,
                   "with --power-cycle: GPIO line that cuts the board's supply while high, or "
                   "sim for the simulator's; once per board")
        ->type_name("CHIP:LINE|sim")
        ->allow_extra_args(false);
    app.add_option("--trace", o.adapter.traceFile, "write one line per adapter call to FILE")
        ->type_name("FILE");
    app.add_option("--sim-fault", boards.simFaults,
                   "simulator: inject a fault (repeatable), e.g. vgood-low; N:NAME on board N only")
        ->type_name("NAME")
        ->allow_extra_args(false);
    app.add_option("--sim-state", boards.simStates,
                   "simulator: keep the chip in FILE between runs; once per board")
        ->type_name("FILE")
        ->allow_extra_args(false);
    app.add_option("--log", o.logFile,
                   "append one JSON line per board and run to FILE (production record)")
        ->type_name("FILE");
    app.add_option("--sim-scenario", o.adapter.simScenario,
                   "simulator: play faults over time from FILE ('t_ms name on|off' lines)")
        ->type_name("FILE");
    app.add_flag("--power-cycle", o.powerCycle,
                 "eeprom program: after the burn, switch the board off and on and verify what "
                 "the chip loaded from its EEPROM; eeprom verify: the same before reading");
    app.add_option("--power-off-time", o.powerOffSeconds,
                   "with --power-cycle: seconds the board stays off")
        ->type_name("S")
        ->check(CLI::Range(0.0, 60.0))
        ->capture_default_str();
    app.add_option("--power-settle-time", o.powerSettleSeconds,
                   "with --power-cycle: seconds after the power is back before the chip is read")
        ->type_name("S")
        ->check(CLI::Range(0.0, 60.0))
        ->capture_default_str();
    app.add_flag("--json", o.json, "print one JSON object instead of text");
    app.add_flag("-y,--yes", o.yes, "do not ask before writes outside 0x01-0x05");
}

// The files the command line names: none empty, and no two the same file, since one would
// overwrite the other (a trace over the file being programmed, a backup over its input).
std::string checkFileArguments(const CLI::App& app, const CliOptions& o, const CLI::App* program) {
    if (app.count("--trace") > 0 && o.adapter.traceFile.empty()) return "--trace needs a file name";
    if (program && program->count("--backup") > 0 && o.backupFile.empty())
        return "--backup needs a file name";
    if (app.count("--log") > 0 && o.logFile.empty()) return "--log needs a file name";
    const std::pair<const char*, const std::string*> files[] = {
        {"--trace", &o.adapter.traceFile},    {"--log", &o.logFile},
        {"--sim-state", &o.adapter.simState}, {"--backup", &o.backupFile},
        {"the EEPROM file", &o.file},
    };
    for (std::size_t i = 0; i < std::size(files); ++i) {
        for (std::size_t j = i + 1; j < std::size(files); ++j) {
            if (sameFile(*files[i].second, *files[j].second)) {
                return std::string(files[i].first) + " and " + files[j].first +
                       " name the same file '" + *files[j].second + "'";
            }
        }
    }
    return {};
}

// What several boards at once can do: the commands that run on each board alone, without a
// shared file that one board would overwrite for another.
// The power cycle of eeprom program and verify: a line for each board, or the operator on a
// terminal for a single board.
std::string checkPowerCycle(const CliOptions& o, const std::vector<AdapterOptions>& boards) {
    if (o.powerCycle && o.command != Command::EepromProgram && o.command != Command::EepromVerify)
        return "--power-cycle is for eeprom program and eeprom verify";
    const bool anyLine = std::any_of(boards.begin(), boards.end(),
                                     [](const AdapterOptions& b) { return !b.powerGpio.empty(); });
    if (!o.powerCycle) return anyLine ? "--power-gpio is used by --power-cycle" : "";
    const bool everyLine = std::all_of(
        boards.begin(), boards.end(), [](const AdapterOptions& b) { return !b.powerGpio.empty(); });
    if (everyLine) return {};
    if (boards.size() > 1) return "with several boards --power-cycle needs --power-gpio for each";
    if (!inputIsTerminal())
        return "--power-cycle needs --power-gpio CHIP:LINE (or sim), or a terminal to ask the "
               "operator on";
    return {};
}

std::string checkSeveralBoards(const CliOptions& o) {
    if (o.boards.size() < 2) return {};
    const bool perBoard = o.command == Command::EepromProgram ||
                          o.command == Command::EepromVerify || o.command == Command::EepromShow ||
                          o.command == Command::Dump;
    if (!perBoard)
        return "several boards run eeprom program, verify, show and dump; give one --adapter "
               "for the other commands";
    if (!o.adapter.traceFile.empty())
        return "--trace records one board; give one --adapter, or use --log for several";
    if (!o.backupFile.empty())
        return "--backup saves one board; with several boards --log keeps each board's bytes "
               "before programming";
    return {};
}

// A usage error: the message, and with --json the error object on the data stream too.
ParseResult usageError(std::ostream& out, std::ostream& err, bool json, const std::string& why,
                       bool printed = false) {
    if (!printed) err << "varenthal-cli: " << why << '\n';
    if (json) {
        RunRecord record;
        record.lastMessage = why;
        Json object{{"schema_version", kSchemaVersion}};
        object.update(errorJson(record, kExitBadUsage));
        out << object.dump() << '\n';
    }
    return ParseResult{std::nullopt, kExitBadUsage};
}

// "unknown command 'WORD' ..." when the parse stopped at a word that no command takes;
// empty otherwise.
std::string unknownCommand(const CLI::App& app, const CLI::App* eeprom) {
    const bool inEeprom = eeprom && eeprom->parsed();
    if (!inEeprom && !app.get_subcommands().empty()) return {};
    if (inEeprom && !eeprom->get_subcommands().empty()) return {};
    std::vector<std::string> extra = inEeprom ? eeprom->remaining() : std::vector<std::string>{};
    if (extra.empty()) extra = app.remaining();
    if (extra.empty()) return {};
    // An option nobody knows, where the command should follow, is named as well.
    if (extra.front().rfind("-", 0) == 0) {
        if (inEeprom) return {};
        return "unknown option '" + extra.front() +
               "' (and no command: expected list, read, write, dump, status, eeprom or watch)";
    }
    return inEeprom ? "unknown eeprom command '" + extra.front() +
                          "' (expected show, save, program or verify)"
                    : "unknown command '" + extra.front() +
                          "' (expected list, read, write, dump, status, eeprom or watch)";
}

// The command that the line names ("dump", "eeprom show", or "eeprom" alone), found without
// the parser: the first word that is not an option or an option's value. Empty when help is
// asked for or no known command is named, so that the parser sees every command.
std::string namedCommand(int argc, const char* const* argv) {
    // Options of the tool and of its commands that take a value as the next word.
    constexpr std::string_view kTakesValue[] = {
        "--adapter",  "--pulse-gpio", "--power-gpio",  "--power-off-time", "--power-settle-time",
        "--trace",    "--sim-fault",  "--sim-state",   "--sim-scenario",   "--log",
        "--backup",   "--fs",         "--cells",       "--interval",       "--count",
        "--duration", "--registers",  "--max-failures"};
    std::string named;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help" || arg == "--") return {};
        if (arg.rfind("-", 0) == 0) {
            if (std::find(std::begin(kTakesValue), std::end(kTakesValue), arg) !=
                std::end(kTakesValue)) {
                ++i;
            }
            continue;
        }
        if (named == "eeprom") {
            const std::string command = "eeprom " + std::string(arg);
            return isCommandName(command) ? command : "";
        }
        if (!named.empty()) continue;
        if (arg == "eeprom") {
            named = "eeprom";
            continue;
        }
        if (!isCommandName(arg) || arg.find(' ') != std::string_view::npos) return {};
        named = std::string(arg);
    }
    return named == "eeprom" ? "" : named;
}

bool asksForJson(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--json") return true;
    }
    return false;
}

}  // namespace

std::string_view commandName(Command command) {
    for (const auto& [known, name] : kCommandNames) {
        if (known == command) return name;
    }
    return {};
}

ParseResult parseArguments(int argc, const char* const* argv, std::ostream& out,
                           std::ostream& err) {
    CliOptions o;
    CLI::App app(kDescription, "varenthal-cli");
    app.set_version_flag("--version", std::string("varenthal-cli ") + VARENTHAL_VERSION,
                         "print the version and exit");
    app.footer(
        "The tool's options (--adapter, --pulse-gpio, --power-gpio, --power-cycle,\n"
        "--trace, --sim-fault, --sim-state, --log, --json, --yes) may stand before or\n"
        "after the command; varenthal-cli --help tells all.");
    app.get_formatter()->column_width(34);
    app.require_subcommand(1);
    BoardArguments boardArgs;
    addGlobalOptions(app, o, boardArgs);

    // Only the command named on the line is built, with its options: setting up the parser
    // is most of the tool's start-up. Help, and a line without a known command, get all.
    const std::string named = namedCommand(argc, argv);
    auto wants = [&named](std::string_view command) {
        if (named.empty() || named == command) return true;
        if (command == "eeprom") return named.rfind("eeprom", 0) == 0;
        return named == "eeprom" && command.rfind("eeprom ", 0) == 0;
    };
    std::string addressText, dataText;
    CLI::App* list = nullptr;
    CLI::App* read = nullptr;
    CLI::App* write = nullptr;
    CLI::App* dump = nullptr;
    CLI::App* status = nullptr;
    CLI::App* eeprom = nullptr;
    CLI::App* show = nullptr;
    CLI::App* save = nullptr;
    CLI::App* program = nullptr;
    CLI::App* verify = nullptr;
    if (wants("list")) list = app.add_subcommand("list", "list the free adapters, one a line");
    if (wants("read")) {
        read = app.add_subcommand("read", "read one register: two hex digits");
        read->add_option("ADDR", addressText, "register address")->required()->check(kHexByte);
    }
    if (wants("write")) {
        write = app.add_subcommand("write", "write one byte to a register");
        write->add_option("ADDR", addressText, "register address")->required()->check(kHexByte);
        write->add_option("DATA", dataText, "the byte")->required()->check(kHexByte);
    }
    if (wants("dump")) {
        dump = app.add_subcommand("dump", "registers 0x00-0x0A with their bits, B7 first");
    }
    if (wants("status")) {
        status = app.add_subcommand("status", "the STATUS byte and its flags by name");
    }

    int fs = -1;
    if (wants("eeprom")) {
        eeprom = app.add_subcommand("eeprom", "the EEPROM configuration 0x06-0x0A");
        eeprom->require_subcommand(1);
    }
    if (wants("eeprom show")) {
        show = eeprom->add_subcommand("show",
                                      "decode 0x06-0x0A from the chip, or from FILE.ee when given");
        show->add_option("FILE", o.file, "an EEPROM file (.ee)")->type_name("FILE.ee");
        show->add_option("--fs", fs, "FS bit for the under-voltage delay texts")
            ->type_name("0|1")
            ->check(CLI::Range(0, 1));
        show->add_option("--cells", o.cells, "cell count for the under-voltage delay texts")
            ->type_name("5..10")
            ->check(CLI::Range(5, 10))
            ->capture_default_str();
    }
    if (wants("eeprom save")) {
        save = eeprom->add_subcommand("save", "read 0x06-0x0A from the chip into FILE.ee");
        save->add_option("FILE", o.file, "the EEPROM file to write")
            ->type_name("FILE.ee")
            ->required();
    }
    if (wants("eeprom program")) {
        program = eeprom->add_subcommand(
            "program", "load FILE.ee into 0x06-0x0A and program the EEPROM, then verify it");
        program->add_option("FILE", o.file, "the EEPROM file to program")
            ->type_name("FILE.ee")
            ->required();
        program
            ->add_option("--backup", o.backupFile,
                         "first save the chip's current 0x06-0x0A to this file")
            ->type_name("FILE.ee");
        program->add_flag("--allow-incomplete", o.allowIncomplete,
                          "program a file that lacks a register key or leaves it empty (as 00)");
    }
    if (wants("eeprom verify")) {
        verify = eeprom->add_subcommand(
            "verify", "compare the chip's 0x06-0x0A and PFALT with FILE.ee; writes nothing");
        verify->add_option("FILE", o.file, "the EEPROM file to compare with")
            ->type_name("FILE.ee")
            ->required();
        verify->add_flag("--allow-incomplete", o.allowIncomplete,
                         "compare with a file that lacks a register key or leaves it empty (as "
                         "00)");
    }

    CLI::App* watch = wants("watch") ? addWatchCommand(app, o.watch) : nullptr;

    for (CLI::App* sub :
         {list, read, write, dump, status, eeprom, show, save, program, verify, watch}) {
        if (sub) sub->fallthrough();
    }
    // Only the tool's own help carries the long part; the commands keep the short footer.
    app.footer(kFooter);

    ParseResult result;
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // A word where a command belongs is named, rather than "A subcommand is required".
        if (const std::string word = unknownCommand(app, eeprom); !word.empty()) {
            return usageError(out, err, asksForJson(argc, argv), word);
        }
        // Help and version go to standard output; errors get the tool's one prefix.
        if (e.get_exit_code() == 0) {
            std::ostringstream help;
            app.exit(e, help, err);
            out << wrapHelp(help.str());
            return result;
        }
        return usageError(out, err, asksForJson(argc, argv),
                          std::string(e.what()) + " (varenthal-cli --help tells more)");
    }

    std::vector<AdapterOptions> boards;
    if (const std::string why = splitBoards(boardArgs, o.adapter, boards); !why.empty()) {
        return usageError(out, err, o.json, why);
    }
    o.adapter = boards.front();
    if (const std::string why = checkFileArguments(app, o, program); !why.empty()) {
        return usageError(out, err, o.json, why);
    }
    for (AdapterOptions& board : boards) {
        if (const std::string why = resolveAdapterName(board.adapter); !why.empty()) {
            return usageError(out, err, o.json, why);
        }
        if (const std::string why = checkAdapterOptions(board); !why.empty()) {
            return usageError(out, err, o.json, why);
        }
    }
    o.adapter = boards.front();
    if (boards.size() > 1) o.boards = boards;

    auto given = [](const CLI::App* sub) { return sub != nullptr && sub->parsed(); };
    if (given(list)) o.command = Command::List;
    if (given(read)) o.command = Command::Read;
    if (given(write)) o.command = Command::Write;
    if (given(dump)) o.command = Command::Dump;
    if (given(status)) o.command = Command::Status;
    if (given(show)) o.command = Command::EepromShow;
    if (given(save)) o.command = Command::EepromSave;
    if (given(program)) o.command = Command::EepromProgram;
    if (given(verify)) o.command = Command::EepromVerify;
    if (given(read) || given(write)) o.address = *parseHexArgument(addressText);
    if (given(write)) o.data = *parseHexArgument(dataText);
    if (given(watch)) o.command = Command::Watch;
    if (given(watch) && o.watch.csv && o.json) {
        // Both forms were asked for, so neither is printed.
        return usageError(out, err, false, "watch takes --csv or --json, not both");
    }
    if (fs >= 0) o.fs = fs;
    if (const std::string why = checkPowerCycle(o, boards); !why.empty()) {
        return usageError(out, err, o.json, why);
    }
    if (const std::string why = checkSeveralBoards(o); !why.empty()) {
        return usageError(out, err, o.json, why);
    }
    result.options = o;
    return result;
}

}  // namespace cli
