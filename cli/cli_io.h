#pragma once
// Where a command's results and messages go, and in which form.

#include <iosfwd>
#include <nlohmann/json.hpp>
#include <string_view>

namespace cli {

// Keys stay in the order they were added, so the output reads as documented.
using Json = nlohmann::ordered_json;

struct RunRecord;

struct Io {
    std::ostream& out;  // data: text, or one JSON object with --json
    std::ostream& err;  // messages and progress
    std::istream& in;   // answers to questions
    bool json = false;
    std::string bus;              // "i2c-7", "sim": for messages about the chip
    RunRecord* record = nullptr;  // what the run found out: for --log and the error object
};

// "varenthal-cli: <text>" on the message stream.
void message(const Io& io, std::string_view text);
// One JSON object on its own line, led by "schema_version".
void printJson(const Io& io, const Json& object);
// One JSON object on its own line as it stands: the rows of a stream (watch).
void printJsonRow(const Io& io, const Json& object);
// Notes what failed for the error object: a kind ("bus", "no_adapter", ...) and the
// register concerned, or -1.
void noteFailure(const Io& io, std::string_view kind, int reg = -1);
// {"error": {"kind", "message", "register", "register_hex"}} from what the run noted.
Json errorJson(const RunRecord& record, int exitCode);

}  // namespace cli
