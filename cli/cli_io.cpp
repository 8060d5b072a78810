#include "cli/cli_io.h"

#include <ostream>

namespace cli {

void message(const Io& io, std::string_view text) {
    io.err << "varenthal-cli: " << text << '\n' << std::flush;
}

void printJson(const Io& io, const Json& object) {
    io.out << object.dump() << '\n';
}

}  // namespace cli
