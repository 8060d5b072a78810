#include "cli/run_command.h"

#include <chrono>
#include <cstdio>

#include "cli/board_run.h"
#include "cli/bus_name.h"
#include "cli/chip_session.h"
#include "cli/confirmation.h"
#include "cli/eeprom_commands.h"
#include "cli/exit_codes.h"
#include "cli/hex_argument.h"
#include "cli/register_commands.h"
#include "cli/run_log.h"
#include "core/adapters/hardware_adapter.h"
#include "core/base/native_path.h"
#include "core/link/communication.h"
#include "core/link/miscellaneous.h"

namespace cli {
namespace {

// The message box text of the window program when no adapter opens.
constexpr const char* kUsbError = "USB Error. Insure USB cable is connected and Driver is working";

// A trace file that cannot be written is a usage error, found before the bus opens.
bool traceWritable(const std::string& path) {
    if (path.empty()) return true;
    std::FILE* f = openFile(path, "ab");
    if (!f) return false;
    std::fclose(f);
    return true;
}

int checkConsent(const std::string& question, bool yes, const Io& io) {
    const Consent consent = askBeforeWriting(question, yes, io.in, io.err);
    if (consent == Consent::Given) return kExitOk;
    message(io, refusalText(consent));
    return kExitBadUsage;
}

int runCommandOnce(const CliOptions& options, const Io& io) {
    if (!traceWritable(options.adapter.traceFile)) {
        message(io, "cannot write the trace file '" + options.adapter.traceFile + "'");
        return kExitBadUsage;
    }
    if (options.command == Command::Write) {
        if (writeNeedsConsent(options.address)) {
            const std::string question = "Write " + Miscellaneous::ByteToHex(options.data) +
                                         " to register " + addressText(options.address) + "?";
            if (const int code = checkConsent(question, options.yes, io); code != kExitOk) {
                return code;
            }
        }
    }

    const bool eepromCommand =
        options.command == Command::EepromShow || options.command == Command::EepromSave ||
        options.command == Command::EepromProgram || options.command == Command::EepromVerify;
    EepromPlan plan;
    if (eepromCommand) {
        if (const int code = prepareEeprom(options, plan, io); code != kExitOk) return code;
        if (!eepromNeedsChip(options)) return runEeprom(options, plan, nullptr, io);
    }

    ChipSession session(options.adapter);
    // The i2c-dev back-end says why on its own; a HID bridge's reason is told here.
    const bool tellFailure =
        options.adapter.adapter != "sim" && !hardwareAdapterTellsFailures(options.adapter.adapter);
    // Listing needs no open device.
    if (options.command != Command::List && !session.open()) {
        if (const std::string why = session.adapter().lastFailure(); tellFailure && !why.empty())
            message(io, why);
        message(io, kUsbError);
        noteFailure(io, "no_adapter");
        if (io.json && options.command == Command::EepromProgram) {
            Json failed{{"result", "failed"},
                        {"message", kUsbError},
                        {"stage", "loading"},
                        {"reason", "no adapter could be opened; nothing was written"}};
            failed.update(errorJson(*io.record, kExitChipFailed));
            printJson(io, failed);
        }
        return kExitChipFailed;
    }
    const Communication comm(session.bus());
    switch (options.command) {
        case Command::List:
            return runList(session.adapter(), tellFailure, io);
        case Command::Read:
            return runRead(comm, options.address, io);
        case Command::Write:
            return runWrite(comm, options.address, options.data, io);
        case Command::Dump:
            return runDump(comm, io);
        case Command::Status:
            return runStatus(comm, io);
        case Command::Watch:
            return runWatch(
                options.watch,
                [comm](std::uint8_t address, std::uint8_t& data) {
                    return comm.ReadRegister(address, data);
                },
                io);
        case Command::EepromShow:
        case Command::EepromSave:
        case Command::EepromProgram:
        case Command::EepromVerify:
            return runEeprom(options, plan, &session.bus(), io, session.simChip());
    }
    return kExitBadUsage;
}

}  // namespace

int runCommand(const CliOptions& options, const Io& io) {
    if (!options.logFile.empty()) {
        if (const std::string why = checkLogWritable(options.logFile); !why.empty()) {
            RunRecord record;
            Io tracked = io;
            tracked.record = &record;
            message(tracked, why);
            if (io.json) printJson(tracked, errorJson(record, kExitBadUsage));
            return kExitBadUsage;
        }
    }
    if (options.boards.size() > 1) return runOnBoards(options, io);
    return runOnBoard(options, io);
}

int runOnBoard(const CliOptions& options, const Io& io) {
    RunRecord record;
    Io tracked = io;
    tracked.record = &record;
    tracked.bus = busName(options.adapter);
    const auto started = std::chrono::system_clock::now();
    const auto t0 = std::chrono::steady_clock::now();
    int code = runCommandOnce(options, tracked);
    // Every failure gives JSON when JSON was asked for; commands with their own verdict
    // object carry the error in it.
    if (io.json && code != kExitOk && !record.printedJson) {
        printJson(tracked, errorJson(record, code));
    }
    if (options.logFile.empty()) return code;
    std::string why;
    if (!appendRunRecord(options.logFile, options, record, code,
                         {started, std::chrono::steady_clock::now() - t0}, why)) {
        message(io, "cannot write the run's record to '" + options.logFile + "': " + why);
        // A board without its record is not done on a production line.
        if (code == kExitOk) code = kExitChipFailed;
    }
    return code;
}

}  // namespace cli
