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

void putBytes(Json& object, const std::string& name, std::span<const std::uint8_t> bytes) {
    Json values = Json::array();
    Json texts = Json::array();
    for (const std::uint8_t b : bytes) {
        values.push_back(b);
        texts.push_back(hexTwin(b));
    }
    object[name] = values;
    object[name + "_hex"] = texts;
}

}  // namespace cli
