#include <windows.h>

#include "tests/core/base/system_profile.h"

std::optional<std::string> systemProfileString(const std::string& file, const std::string& section,
                                               const std::string& key) {
    char buffer[256] = {};
    const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer,
                                             sizeof buffer, file.c_str());
    return std::string(buffer, n);
}

bool systemWriteProfileString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& value) {
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str());
}
