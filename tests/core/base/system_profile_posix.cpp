#include "tests/core/base/system_profile.h"

std::optional<std::string> systemProfileString(const std::string&, const std::string&,
                                               const std::string&) {
    return std::nullopt;
}

bool systemWriteProfileString(const std::string&, const std::string&, const std::string&,
                              const std::string&) {
    return false;
}
