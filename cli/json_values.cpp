#include "cli/json_values.h"

#include "core/link/miscellaneous.h"

namespace cli {

std::string hexTwin(std::uint8_t value) {
    return "0x" + Miscellaneous::ByteToHex(value);
}

void putByte(Json& object, const std::string& name, std::uint8_t value) {
    object[name] = value;
    object[name + "_hex"] = hexTwin(value);
}

}  // namespace cli
