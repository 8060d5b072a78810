// The INI reader and writer on arbitrary bytes: parsing, reading keys, changing one key and
// writing the text back must neither crash nor lose the lines it did not change.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/base/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    IniDocument doc = IniDocument::parse(text);
    (void)doc.get("system", "Write Delay");
    (void)doc.get("Registers", "Register06");

    // A document written back unchanged is byte for byte what was read.
    if (doc.text() != text) std::abort();

    doc.set("system", "Write Delay", "0.07");
    const auto value = IniDocument::parse(doc.text()).get("system", "Write Delay");
    if (!value || *value != "0.07") std::abort();
    return 0;
}
