// The hex routines on arbitrary text: HexToByte gives -1 or a byte, and a byte survives the
// round trip through ByteToHex.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/link/miscellaneous.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::int16_t value = Miscellaneous::HexToByte(text);
    if (value < -1 || value > 255) std::abort();
    if (value >= 0 && Miscellaneous::HexToByte(Miscellaneous::ByteToHex(value)) != value) {
        std::abort();
    }
    return 0;
}
