#include "cli/run_log.h"

#include <cstdio>
#include <ctime>

#include "cli/bus_name.h"
#include "cli/console.h"
#include "cli/exit_codes.h"
#include "cli/json_values.h"
#include "core/adapters/bus_identity.h"
#include "core/base/local_time.h"
#include "core/base/output_file.h"
#include "core/base/sha256.h"

namespace cli {
namespace {

std::string isoTime(std::chrono::system_clock::time_point t) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()) % 1000;
    const std::tm utc = utcTimeOf(seconds);
    char text[40];
    const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    std::snprintf(text + n, sizeof text - n, ".%03dZ", static_cast<int>(ms.count()));
    return text;
}

// The bus the run used, as the system names it; "i2c-dev" stands for the first USB bus,
// which is the one the session opened.
Json adapterJson(const AdapterOptions& options) {
    if (options.adapter == "sim") {
        return {{"bus", "sim"}, {"name", "simulator"}, {"usb_path", nullptr}, {"serial", nullptr}};
    }
    const BusIdentity id = identifyBus(busName(options));
    auto orNull = [](const std::string& text) { return text.empty() ? Json(nullptr) : Json(text); };
    return {{"bus", orNull(id.bus)},
            {"name", orNull(id.name)},
            {"usb_path", orNull(id.usbPath)},
            {"serial", orNull(id.serial)}};
}

const char* resultName(int exitCode) {
    switch (exitCode) {
        case kExitOk:
            return "ok";
        case kExitBadUsage:
            return "refused";
        case kExitInterrupted:
            return "interrupted";
        default:
            return "failed";
    }
}

void putImage(Json& object, const std::string& name,
              const std::optional<eeprom::EepromImage>& image) {
    if (image) {
        putBytes(object, name, *image);
    } else {
        object[name] = nullptr;
        object[name + "_hex"] = nullptr;
    }
}

}  // namespace

std::string checkLogWritable(const std::string& path) {
    const std::string why = checkAppendable(path);
    return why.empty() ? why : "cannot write the log file '" + path + "': " + why;
}

bool appendRunRecord(const std::string& path, const CliOptions& o, const RunRecord& r, int exitCode,
                     const RunTiming& timing, std::string& why) {
    Json record{{"schema_version", kSchemaVersion},
                {"time", isoTime(timing.started)},
                {"tool_version", VARENTHAL_VERSION},
                {"host", hostName()},
                {"adapter", adapterJson(o.adapter)}};
    // Several boards in one run: which one, since several may share an adapter name.
    if (o.board > 0) record["board"] = o.board;
    record["command"] = std::string(commandName(o.command));
    if (o.file.empty()) {
        record["file"] = nullptr;
    } else {
        const std::optional<std::string> digest = sha256OfFile(o.file);
        record["file"] = {{"name", o.file}, {"sha256", digest ? Json(*digest) : Json(nullptr)}};
    }
    putImage(record, "before", r.before);
    putImage(record, "written", r.written);
    if (r.readBack.empty() && !r.written) {
        record["read_back"] = nullptr;
        record["read_back_hex"] = nullptr;
    } else {
        putBytes(record, "read_back", r.readBack);
    }
    record["pfalt"] = r.pfalt ? Json(*r.pfalt) : Json(nullptr);
    record["verified"] = r.verified.empty() ? Json(nullptr) : Json(r.verified);
    record["result"] = resultName(exitCode);
    record["exit_code"] = exitCode;
    record["stage"] = r.stage.empty() ? Json(nullptr) : Json(r.stage);
    record["reason"] = exitCode == kExitOk ? "" : (r.reason.empty() ? r.lastMessage : r.reason);
    record["duration_ms"] =
        std::chrono::duration_cast<std::chrono::milliseconds>(timing.took).count();

    // One write of the whole line at the file's end: lines of processes that share the file
    // do not interleave.
    return appendRecord(path, record.dump() + '\n', why);
}

}  // namespace cli
