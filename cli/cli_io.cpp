#include "cli/cli_io.h"

#include <ostream>

#include "cli/run_log.h"

namespace cli {

void message(const Io& io, std::string_view text) {
    io.err << "varenthal-cli: " << text << '\n' << std::flush;
    if (io.record) io.record->lastMessage = std::string(text);
}

void printJson(const Io& io, const Json& object) {
    io.out << object.dump() << '\n';
}

}  // namespace cli
