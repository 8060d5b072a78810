// The `.ee` loader on arbitrary file contents: a file either loads five bytes or is refused
// with a reason, and what loads survives being written back into the same document.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "core/eeprom/eeprom_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    IniDocument doc = IniDocument::parse(text);
    const eeprom::EeReadResult result = eeprom::readEeDocument(doc);
    if (const auto* error = std::get_if<eeprom::EeFileError>(&result)) {
        if (error->message().empty()) std::abort();
        return 0;
    }
    const auto image = std::get<eeprom::EepromImage>(result);
    eeprom::putEeValues(doc, image);
    const eeprom::EeReadResult again = eeprom::readEeDocument(IniDocument::parse(doc.text()));
    const auto* reread = std::get_if<eeprom::EepromImage>(&again);
    if (!reread || *reread != image) std::abort();
    return 0;
}
