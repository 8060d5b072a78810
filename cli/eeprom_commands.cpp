#include "cli/eeprom_commands.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <iomanip>
#include <ostream>
#include <thread>
#include <variant>

#include "cli/confirmation.h"
#include "cli/exit_codes.h"
#include "cli/hex_argument.h"
#include "cli/interrupts.h"
#include "cli/json_values.h"
#include "cli/register_commands.h"
#include "cli/run_log.h"
#include "core/adapters/board_power.h"
#include "core/adapters/gpio_system.h"
#include "core/base/safe_file.h"
#include "core/chip/register_map.h"
#include "core/eeprom/eeprom_file.h"
#include "core/eeprom/programming_sequence.h"
#include "core/link/communication.h"
#include "core/link/miscellaneous.h"

namespace cli {
namespace {

using eeprom::EepromImage;
using Miscellaneous::ByteToHex;

// The code of one field in the decoded settings.
using CodeOf = std::uint8_t (*)(const eeprom::EepromSettings&);
template <auto Member>
std::uint8_t codeOf(const eeprom::EepromSettings& s) {
    return static_cast<std::uint8_t>(s.*Member);
}

// One quantity of `eeprom show`, by its fixed JSON name. Exactly one of `list` and `flag`
// is set; neither means the over-current delay, which is a text box, not a list.
struct ShownField {
    std::string_view name;
    const eeprom::ListField* list;
    const eeprom::FlagField* flag;
    CodeOf code;
};

// In register and bit order, the order of the page.
const std::array<ShownField, 15>& shownFields() {
    using S = eeprom::EepromSettings;
    static const std::array<ShownField, 15> fields{{
        {"ov_threshold", &eeprom::kOvThreshold, nullptr, codeOf<&S::ovThreshold>},
        {"ov_hysteresis", &eeprom::kOvHysteresis, nullptr, codeOf<&S::ovHysteresis>},
        {"ov_delay", &eeprom::kOvDelay, nullptr, codeOf<&S::ovDelay>},
        {"uv_threshold", &eeprom::kUvThreshold, nullptr, codeOf<&S::uvThreshold>},
        {"uv_hysteresis", &eeprom::kUvHysteresis, nullptr, codeOf<&S::uvHysteresis>},
        {"uvfet_dis", nullptr, &eeprom::kDisDsgFet, codeOf<&S::uvFetDisable>},
        {"soc_dis", nullptr, &eeprom::kDisDsgChgFet, codeOf<&S::socDisable>},
        {"oc_threshold", &eeprom::kOcThreshold, nullptr, codeOf<&S::ocThreshold>},
        {"uv_delay", &eeprom::kUvDelay, nullptr, codeOf<&S::uvDelay>},
        {"oc_delay", nullptr, nullptr, codeOf<&S::ocDelay>},
        {"sor", nullptr, &eeprom::kSor, codeOf<&S::sor>},
        {"zvc", nullptr, &eeprom::kZvc, codeOf<&S::zvc>},
        {"cben", nullptr, &eeprom::kCben, codeOf<&S::cben>},
        {"scd_threshold", &eeprom::kScdThreshold, nullptr, codeOf<&S::scdThreshold>},
        {"scd_delay", &eeprom::kScdDelay, nullptr, codeOf<&S::scdDelay>},
    }};
    return fields;
}

// The register slot (0..4) that holds the field.
int slotOf(const ShownField& f) {
    const chip::Field& field = f.list ? f.list->field : f.flag ? f.flag->field : chip::kOcDelay;
    return field.address - chip::kFirstEeprom;
}

// What the EEPROM page shows right after it is initialised from these bytes.
struct ShownValue {
    std::string label;
    std::string text;
    std::string unit;
};

ShownValue shownValue(const ShownField& f, std::uint8_t code, bool fs, int cells) {
    if (f.flag) return {std::string(f.flag->caption), code ? "yes" : "no", ""};
    if (!f.list) {
        return {std::string(eeprom::kOcDelayLabel), eeprom::ocDelayText(code),
                std::string(eeprom::kOcDelayUnit)};
    }
    std::string text;
    if (f.list == &eeprom::kUvDelay) {
        text = eeprom::uvDelayItems(fs, cells, eeprom::UvDelaySuffix::Alt).at(code);
    } else {
        text = std::string(f.list->items[code]);
    }
    return {std::string(f.list->label), text, std::string(f.list->unit)};
}

// [{"address": 6, "address_hex": "0x06", "value": 90, "value_hex": "0x5A"}, ...]
Json registersJson(const EepromImage& image) {
    Json registers = Json::array();
    for (int i = 0; i < chip::kEepromCount; ++i) {
        Json entry = Json::object();
        putByte(entry, "address", static_cast<std::uint8_t>(chip::kFirstEeprom + i));
        putByte(entry, "value", image[static_cast<std::size_t>(i)]);
        registers.push_back(entry);
    }
    return registers;
}

// The under-voltage delay as a number: "2000(alt)" is 2000 ms, from the upper half of
// the codes, which the page marks with the suffix.
void putUvDelay(Json& field, const std::string& text) {
    const std::string_view alt = eeprom::suffixText(eeprom::UvDelaySuffix::Alt);
    const bool isAlt = text.size() >= alt.size() && text.ends_with(alt);
    const std::string digits = text.substr(0, isAlt ? text.size() - alt.size() : text.size());
    // With FS set, the delay depends on the cell count and may have a fraction ("1.25").
    const bool numeric = !digits.empty() && digits.front() != '.' &&
                         digits.find_first_not_of("0123456789.") == std::string::npos;
    if (!numeric) {
        field["ms"] = nullptr;
    } else if (digits.find('.') != std::string::npos) {
        field["ms"] = std::stod(digits);
    } else {
        field["ms"] = std::stoi(digits);
    }
    field["alt"] = isAlt;
}

// `missing`: register keys that the file lacks or leaves empty; they are marked.
void printShow(const Io& io, const std::string& source, const EepromImage& image, bool fs,
               int cells, const std::vector<std::string>& missing = {}) {
    auto isMissing = [&](int slot) {
        return std::find(missing.begin(), missing.end(), eeprom::registerKey(slot)) !=
               missing.end();
    };
    const eeprom::EepromSettings settings = eeprom::decode(image);
    if (io.json) {
        Json fields = Json::object();
        for (const ShownField& f : shownFields()) {
            const std::uint8_t code = f.code(settings);
            if (f.flag) {
                fields[std::string(f.name)] = code != 0;
                continue;
            }
            const ShownValue v = shownValue(f, code, fs, cells);
            Json field{{"code", code}, {"text", v.text}, {"unit", v.unit}};
            if (f.list == &eeprom::kUvDelay) putUvDelay(field, v.text);
            fields[std::string(f.name)] = field;
        }
        Json shown{{"source", source == "chip" ? "chip" : "file"},
                   {"registers", registersJson(image)},
                   {"fields", fields}};
        if (!missing.empty()) shown["missing_keys"] = missing;
        printJson(io, shown);
        return;
    }
    io.out << "Source: " << source << "  (FS " << (fs ? 1 : 0) << ", " << cells << " cells)\n";
    int frame = -1;
    for (const ShownField& f : shownFields()) {
        const int slot = slotOf(f);
        if (slot != frame) {
            frame = slot;
            io.out << eeprom::kFrameCaptions[static_cast<std::size_t>(slot)] << "  = "
                   << ByteToHex(image[static_cast<std::size_t>(slot)]);
            if (isMissing(slot)) {
                io.out << "  (" << eeprom::registerKey(slot) << " missing or empty: read as 00)";
            }
            io.out << '\n';
        }
        const ShownValue v = shownValue(f, f.code(settings), fs, cells);
        io.out << "  " << std::left << std::setw(52) << v.label << v.text
               << (v.unit.empty() ? "" : " ") << v.unit << '\n';
    }
}

// Reads 0x06..0x0A; the run's record keeps them as the chip's bytes before the command.
bool readEepromRegisters(const Communication& comm, EepromImage& image, const Io& io) {
    for (int i = 0; i < chip::kEepromCount; ++i) {
        if (!readOrReport(comm, static_cast<std::uint8_t>(chip::kFirstEeprom + i),
                          image[static_cast<std::size_t>(i)], io)) {
            return false;
        }
    }
    if (!io.record->before) io.record->before = image;
    return true;
}

// An input .ee file, with the window program's messages for each refusal.
int loadInputFile(const std::string& path, EepromPlan& plan, const Io& io) {
    if (!eeprom::isRegularFile(path)) {
        message(io, std::string(eeprom::kFileDoesNotExist) + ": " + path);
        return kExitBadUsage;
    }
    std::string why;
    const std::optional<IniDocument> doc = IniDocument::load(path, &why);
    const eeprom::EeReadResult read =
        doc ? eeprom::readEeDocument(*doc)
            : eeprom::EeReadResult(eeprom::EeFileError{eeprom::EeFileError::Kind::Unreadable, why});
    if (const auto* error = std::get_if<eeprom::EeFileError>(&read)) {
        message(io, error->message() + " (" + path + ")");
        return kExitBadUsage;
    }
    plan.fileImage = std::get<EepromImage>(read);
    plan.missingKeys = eeprom::missingRegisterKeys(*doc);
    return kExitOk;
}

// An output .ee file that exists is replaced only with the user's consent.
int checkOutputFile(const std::string& path, bool yes, const Io& io) {
    // A FIFO or device, and a read-only file, are refused before the chip is read, and
    // never opened.
    if (std::string why = specialFileReason(path);
        !why.empty() || !(why = readOnlyReason(path)).empty()) {
        message(io, std::string(eeprom::kErrorSaving) + "'" + path + "' " + why);
        return kExitBadUsage;
    }
    if (!eeprom::isRegularFile(path)) return kExitOk;
    const Consent consent = askBeforeWriting(
        std::string(eeprom::kOverwriteQuestion) + " (" + path + ")", yes, io.in, io.err);
    if (consent == Consent::Given) return kExitOk;
    message(io, consent == Consent::NeedsYes
                    ? "'" + path + "' exists; overwriting it needs a terminal or --yes"
                    : "not confirmed; nothing was written");
    return kExitBadUsage;
}

int saveFile(const std::string& path, const EepromImage& image, const Io& io) {
    if (const auto why = eeprom::writeEeFile(path, image)) {
        message(io, std::string(eeprom::kErrorSaving) + "'" + path + "': " + *why);
        noteFailure(io, "file");
        return kExitBadUsage;
    }
    return kExitOk;
}

constexpr const char* kPowerCyclePrompt = "Switch the board's power off and on, then press Enter.";

// `sleep(seconds, interruptible)`: a noted signal may cut an interruptible sleep short.
using Sleep = std::function<void(double seconds, bool interruptible)>;

// The board's power off and on, then the settle time: through the board's line (or the
// simulator's supply), or by the operator when asked on the terminal.
bool cycleBoardPower(const CliOptions& o, const std::shared_ptr<SimulatedChip>& simChip,
                     const Io& io, const Sleep& sleep, std::string& reason) {
    const std::string& line = o.adapter.powerGpio;
    if (line.empty()) {
        io.err << kPowerCyclePrompt << '\n' << std::flush;
        std::string answer;
        if (!std::getline(io.in, answer)) {
            reason = "no answer on the terminal";
            return false;
        }
    } else {
        if (line == "sim" && !simChip) {
            reason = "--power-gpio sim needs the simulator";
            return false;
        }
        const std::unique_ptr<BoardPower> power =
            line == "sim" ? makeSimBoardPower(simChip) : makeGpioBoardPower(makeGpioSystem(), line);
        // The board stays off for its whole time, signal or not, so that it powers up afresh.
        if (!power->cycle(
                o.powerOffSeconds, [&sleep](double s) { sleep(s, false); }, reason)) {
            return false;
        }
    }
    sleep(o.powerSettleSeconds, true);
    return true;
}

// A sleep in short slices, so that a noted signal is seen soon; a signal cuts no slice short
// that must run whole, since sleep_for resumes after EINTR.
void sliceSleep(double seconds, bool interruptible, const std::function<bool()>& stop) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                             std::chrono::duration<double>(seconds));
    while (Clock::now() < deadline) {
        if (interruptible && stop && stop()) return;
        std::this_thread::sleep_for(
            std::min<Clock::duration>(deadline - Clock::now(), std::chrono::milliseconds(10)));
    }
}

// The programming sequence's front end on a terminal: waits sleep, progress and messages
// go to the message stream, and the bytes are the file's. A noted signal cuts the waits
// short, but never the pulse's.
class CliProgrammingHost final : public eeprom::ProgrammingHost {
public:
    CliProgrammingHost(const EepromImage& fileImage, const Io& io, const InterruptWatch& watch,
                       const CliOptions& options, std::shared_ptr<SimulatedChip> simChip)
        : fileImage_(fileImage),
          io_(io),
          watch_(watch),
          options_(options),
          simChip_(std::move(simChip)) {}

    void wait(double seconds) override { sleep(seconds, true); }
    void waitWhole(double seconds) override { sleep(seconds, false); }
    void setProgressShown(bool) override {}
    void setProgress(int percent) override {
        // The sequence completes the bar on every end; on a terminal "100%" after "canceled"
        // would read as done, so a run that told of a failure stops where it was.
        if (percent == 100 && !lastMessage_.empty()) return;
        io_.err << "Programming EEPROM: " << percent << "%\n" << std::flush;
    }
    void setVgoodLamp(bool) override {}
    void message(std::string_view text, std::string_view, eeprom::MessageIcon) override {
        lastMessage_ = std::string(text);
        cli::message(io_, text);
    }
    eeprom::ConversionOutcome compose(EepromImage& image) override {
        image = fileImage_;
        return eeprom::ConversionOutcome::Written;
    }
    bool stopRequested() override { return watch_.caught() != 0; }
    bool canPowerCycle() const override { return options_.powerCycle; }
    bool powerCycle(std::string& reason) override {
        return cycleBoardPower(
            options_, simChip_, io_, [this](double s, bool i) { sleep(s, i); }, reason);
    }

    const std::string& lastMessage() const { return lastMessage_; }

private:
    void sleep(double seconds, bool interruptible) {
        sliceSleep(seconds, interruptible, [this] { return stopRequested(); });
    }

    EepromImage fileImage_;
    const Io& io_;
    const InterruptWatch& watch_;
    const CliOptions& options_;
    std::shared_ptr<SimulatedChip> simChip_;
    std::string lastMessage_;
};

int runShow(const CliOptions& o, const EepromPlan& plan, frmUSB* bus, const Io& io) {
    if (plan.fileImage) {
        printShow(io, "file " + o.file, *plan.fileImage, o.fs.value_or(0) != 0, o.cells,
                  plan.missingKeys);
        return kExitOk;
    }
    const Communication comm(*bus);
    EepromImage image{};
    if (!readEepromRegisters(comm, image, io)) return kExitChipFailed;
    bool fs = o.fs.value_or(0) != 0;
    if (!o.fs) {
        std::uint8_t output = 0;
        if (!readOrReport(comm, chip::OUTPUT_CNTRL, output, io)) return kExitChipFailed;
        fs = (output & chip::kOutFS) != 0;
    }
    printShow(io, "chip", image, fs, o.cells);
    return kExitOk;
}

int runSave(const CliOptions& o, const Communication& comm, const Io& io) {
    EepromImage image{};
    if (!readEepromRegisters(comm, image, io)) return kExitChipFailed;
    if (const int code = saveFile(o.file, image, io); code != kExitOk) return code;
    if (io.json) printJson(io, Json{{"file", o.file}, {"registers", registersJson(image)}});
    return kExitOk;
}

// The success line: what the verdict rests on, and no more.
std::string verifiedText(eeprom::Check check) {
    return check == eeprom::Check::AfterPowerUp
               ? "EEPROM programmed and verified after a power cycle: the chip loaded the new "
                 "bytes from its EEPROM"
               : "EEPROM programmed: the registers read back right; only the registers were "
                 "checked (--power-cycle checks what the EEPROM holds)";
}

Json checkJson(eeprom::Check check) {
    const std::string_view name = eeprom::checkName(check);
    return name.empty() ? Json(nullptr) : Json(std::string(name));
}

int runProgram(const CliOptions& o, const EepromPlan& plan, const Communication& comm, const Io& io,
               std::shared_ptr<SimulatedChip> simChip) {
    if (!o.backupFile.empty()) {
        EepromImage current{};
        if (!readEepromRegisters(comm, current, io)) return kExitChipFailed;
        if (const int code = saveFile(o.backupFile, current, io); code != kExitOk) return code;
        message(io, "saved the chip's 0x06-0x0A to " + o.backupFile);
    } else if (!o.logFile.empty() || o.powerCycle) {
        // The record keeps what the board held, as a backup would; after a power cycle it
        // tells "nothing was burnt" from a partial burn.
        EepromImage current{};
        if (!readEepromRegisters(comm, current, io)) return kExitChipFailed;
    }

    const InterruptWatch watch;
    CliProgrammingHost host(*plan.fileImage, io, watch, o, std::move(simChip));
    eeprom::EepromProgrammer programmer(host, comm);
    programmer.setEepromBefore(io.record->before);
    const eeprom::ProgramResult result = programmer.run();
    const eeprom::ProgramReport& report = programmer.report();
    const std::string stage(eeprom::stageName(report.stage));
    {
        io.record->stage = stage;
        io.record->reason = report.reason;
        io.record->readBack = report.readBack;
        io.record->pfalt = report.pfalt;
        io.record->verified = std::string(eeprom::checkName(report.check));
        // The bytes went out once the sequence got past loading.
        if (report.stage != eeprom::Stage::Loading) io.record->written = programmer.image();
    }

    if (result == eeprom::ProgramResult::Stopped) {
        const std::string reason = "interrupted by " + watch.caughtName() + "; " + report.reason;
        io.record->reason = reason;
        noteFailure(io, "interrupted", report.failedRegister);
        if (io.json) {
            Json verdict{{"result", "interrupted"},
                         {"stage", stage},
                         {"reason", reason},
                         {"verified", checkJson(report.check)}};
            verdict.update(errorJson(*io.record, kExitInterrupted));
            printJson(io, verdict);
        }
        message(io, reason);
        return kExitInterrupted;
    }
    if (result == eeprom::ProgramResult::Success) {
        if (io.json) {
            printJson(io, Json{{"result", "ok"},
                               {"stage", stage},
                               {"reason", ""},
                               {"verified", checkJson(report.check)}});
        }
        message(io, verifiedText(report.check));
        // A signal that came too late to stop anything still ends the tool as asked.
        return watch.caught() != 0 ? kExitInterrupted : kExitOk;
    }
    // A read-back that kept failing is the chip not answering, not a failed burn.
    noteFailure(io, result == eeprom::ProgramResult::NotVerified ? "no_answer" : "programming",
                report.failedRegister);
    if (io.json) {
        Json verdict{{"result", "failed"},
                     {"message", host.lastMessage()},
                     {"stage", stage},
                     {"reason", report.reason},
                     {"verified", checkJson(report.check)}};
        verdict.update(errorJson(*io.record, kExitChipFailed));
        printJson(io, verdict);
    }
    message(io, report.reason);
    // A safe end that failed outranks an interruption: the board needs the user now.
    if (result != eeprom::ProgramResult::SafeEndFailed && watch.caught() != 0) {
        return kExitInterrupted;
    }
    return kExitChipFailed;
}

// The registers where the chip differs from the file, each with its differing fields.
Json differencesJson(const EepromImage& file, const EepromImage& chip, bool fs, int cells) {
    const eeprom::EepromSettings fileSettings = eeprom::decode(file);
    const eeprom::EepromSettings chipSettings = eeprom::decode(chip);
    Json differences = Json::array();
    for (int slot = 0; slot < chip::kEepromCount; ++slot) {
        const auto i = static_cast<std::size_t>(slot);
        if (file[i] == chip[i]) continue;
        Json entry = Json::object();
        putByte(entry, "register", static_cast<std::uint8_t>(chip::kFirstEeprom + slot));
        putByte(entry, "file", file[i]);
        putByte(entry, "chip", chip[i]);
        Json fields = Json::array();
        for (const ShownField& f : shownFields()) {
            if (slotOf(f) != slot) continue;
            const std::uint8_t fileCode = f.code(fileSettings);
            const std::uint8_t chipCode = f.code(chipSettings);
            if (fileCode == chipCode) continue;
            const ShownValue a = shownValue(f, fileCode, fs, cells);
            const ShownValue b = shownValue(f, chipCode, fs, cells);
            const std::string unit = a.unit.empty() ? "" : " " + a.unit;
            fields.push_back({{"name", f.name},
                              {"label", a.label},
                              {"file", a.text + unit},
                              {"chip", b.text + unit}});
        }
        entry["fields"] = fields;
        differences.push_back(entry);
    }
    return differences;
}

// Reads 0x06..0x0A and OUTPUT_CNTRL (PFALT, and FS for the delay texts); writes nothing.
// With --power-cycle the board is switched off and on first, so that the registers are what
// the chip loaded from its EEPROM.
int runVerify(const CliOptions& o, const EepromPlan& plan, const Communication& comm, const Io& io,
              const std::shared_ptr<SimulatedChip>& simChip) {
    if (o.powerCycle) {
        std::string why;
        if (!cycleBoardPower(
                o, simChip, io, [](double s, bool) { sliceSleep(s, false, {}); }, why)) {
            const std::string text = "the board's power could not be switched off and on (" + why +
                                     "); nothing was read";
            io.record->reason = text;
            message(io, text);
            noteFailure(io, "chip");
            return kExitChipFailed;
        }
    }
    const eeprom::Check check =
        o.powerCycle ? eeprom::Check::AfterPowerUp : eeprom::Check::Registers;
    EepromImage image{};
    if (!readEepromRegisters(comm, image, io)) return kExitChipFailed;
    std::uint8_t output = 0;
    if (!readOrReport(comm, chip::OUTPUT_CNTRL, output, io)) return kExitChipFailed;
    const bool pfalt = (output & chip::kOutPFALT) != 0;
    io.record->pfalt = pfalt;
    io.record->verified = std::string(eeprom::checkName(check));
    const bool fs = (output & chip::kOutFS) != 0;
    const Json differences = differencesJson(*plan.fileImage, image, fs, o.cells);
    const bool equal = differences.empty() && !pfalt;
    if (!equal) {
        io.record->reason =
            differences.empty() ? "PFALT is set" : "the chip differs from " + o.file;
        noteFailure(
            io, "differs",
            differences.empty() ? chip::OUTPUT_CNTRL : differences[0]["register"].get<int>());
    }
    if (io.json) {
        Json verdict{{"file", o.file},
                     {"result", equal ? "equal" : "different"},
                     {"pfalt", pfalt},
                     {"differences", differences},
                     {"verified", checkJson(check)}};
        if (!equal) verdict.update(errorJson(*io.record, kExitChipFailed));
        printJson(io, verdict);
    } else {
        for (const Json& d : differences) {
            io.out << d["register_hex"].get<std::string>() << "  file "
                   << d["file_hex"].get<std::string>() << "  chip "
                   << d["chip_hex"].get<std::string>() << '\n';
            for (const Json& f : d["fields"]) {
                io.out << "  " << std::left << std::setw(52) << f["label"].get<std::string>()
                       << "file " << f["file"].get<std::string>() << ", chip "
                       << f["chip"].get<std::string>() << '\n';
            }
        }
        if (pfalt) io.out << "PFALT set: the chip reports that its last programming failed\n";
        if (equal) io.out << "0x06-0x0A equal to " << o.file << ", PFALT clear\n";
        // The registers show the EEPROM only once the chip has loaded them from it.
        io.out << (check == eeprom::Check::AfterPowerUp
                       ? "checked after a power cycle: the registers as the chip loaded them "
                         "from its EEPROM\n"
                       : "checked: the registers as they stand; after a power cycle they show "
                         "the EEPROM (--power-cycle)\n");
    }
    return equal ? kExitOk : kExitChipFailed;
}

// A file that lacks a register key would be taken as 00 there.
int refuseIncomplete(const CliOptions& o, const EepromPlan& plan, const Io& io,
                     const char* consequence) {
    if (plan.missingKeys.empty() || o.allowIncomplete) return kExitOk;
    std::string keys;
    for (const std::string& key : plan.missingKeys) keys += (keys.empty() ? "" : ", ") + key;
    message(io, o.file + ": " + keys + consequence);
    return kExitBadUsage;
}

}  // namespace

int prepareEeprom(const CliOptions& o, EepromPlan& plan, const Io& io) {
    switch (o.command) {
        case Command::EepromShow:
            return o.file.empty() ? kExitOk : loadInputFile(o.file, plan, io);
        case Command::EepromSave:
            return checkOutputFile(o.file, o.yes, io);
        case Command::EepromProgram: {
            if (const int code = loadInputFile(o.file, plan, io); code != kExitOk) return code;
            if (const int code = refuseIncomplete(
                    o, plan, io,
                    " missing or empty, which would program 00; nothing was written "
                    "(--allow-incomplete programs the file as it is)");
                code != kExitOk) {
                return code;
            }
            if (!o.backupFile.empty()) {
                if (const int code = checkOutputFile(o.backupFile, o.yes, io); code != kExitOk) {
                    return code;
                }
            }
            std::string bytes;
            for (const std::uint8_t b : *plan.fileImage) bytes += " " + ByteToHex(b);
            const Consent consent = askBeforeWriting(
                "Program the chip's EEPROM 0x06-0x0A with" + bytes + " from " + o.file + "?", o.yes,
                io.in, io.err);
            if (consent == Consent::Given) return kExitOk;
            message(io, refusalText(consent));
            return kExitBadUsage;
        }
        case Command::EepromVerify: {
            if (const int code = loadInputFile(o.file, plan, io); code != kExitOk) return code;
            return refuseIncomplete(o, plan, io,
                                    " missing or empty, which would compare as 00; nothing was "
                                    "read (--allow-incomplete compares the file as it is)");
        }
        default:
            return kExitOk;
    }
}

bool eepromNeedsChip(const CliOptions& o) {
    return !(o.command == Command::EepromShow && !o.file.empty());
}

int runEeprom(const CliOptions& o, const EepromPlan& plan, frmUSB* bus, const Io& io,
              std::shared_ptr<SimulatedChip> simChip) {
    switch (o.command) {
        case Command::EepromShow:
            return runShow(o, plan, bus, io);
        case Command::EepromSave:
            return runSave(o, Communication(*bus), io);
        case Command::EepromVerify:
            return runVerify(o, plan, Communication(*bus), io, simChip);
        default:
            return runProgram(o, plan, Communication(*bus), io, std::move(simChip));
    }
}

}  // namespace cli
