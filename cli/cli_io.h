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
    RunRecord* record = nullptr;  // with --log: what the run's record should hold
};

// "varenthal-cli: <text>" on the message stream.
void message(const Io& io, std::string_view text);
// One JSON object on its own line.
void printJson(const Io& io, const Json& object);

}  // namespace cli
