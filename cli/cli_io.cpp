#include "cli/cli_io.h"

#include <ostream>

#include "cli/exit_codes.h"
#include "cli/json_values.h"
#include "cli/run_log.h"

namespace cli {

void message(const Io& io, std::string_view text) {
    io.err << "varenthal-cli: " << text << '\n' << std::flush;
    if (io.record) io.record->lastMessage = std::string(text);
}

void printJson(const Io& io, const Json& object) {
    Json versioned{{"schema_version", kSchemaVersion}};
    for (const auto& [key, value] : object.items()) versioned[key] = value;
    io.out << versioned.dump() << '\n';
    if (io.record) io.record->printedJson = true;
}

void printJsonRow(const Io& io, const Json& object) {
    io.out << object.dump() << '\n';
    if (io.record) io.record->printedJson = true;
}

void noteFailure(const Io& io, std::string_view kind, int reg) {
    if (!io.record) return;
    io.record->errorKind = std::string(kind);
    io.record->errorRegister = reg;
}

Json errorJson(const RunRecord& record, int exitCode) {
    std::string kind = record.errorKind;
    if (kind.empty()) {
        kind = exitCode == kExitBadUsage      ? "usage"
               : exitCode == kExitInterrupted ? "interrupted"
                                              : "chip";
    }
    Json error{{"kind", kind},
               {"message", record.reason.empty() ? record.lastMessage : record.reason}};
    if (record.errorRegister >= 0) {
        putByte(error, "register", static_cast<std::uint8_t>(record.errorRegister));
    } else {
        error["register"] = nullptr;
        error["register_hex"] = nullptr;
    }
    return Json{{"error", error}};
}

}  // namespace cli
