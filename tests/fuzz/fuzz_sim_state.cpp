// The simulator's state file on arbitrary contents: refused with a reason, or read into an
// EEPROM that formats and reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/sim/sim_state_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto eeprom = parseSimState(text, &error);
    if (!eeprom) {
        if (error.empty()) std::abort();
        return 0;
    }
    const auto again = parseSimState(formatSimState(*eeprom), &error);
    if (!again || *again != *eeprom) std::abort();
    return 0;
}
