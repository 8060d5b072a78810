#pragma once
// The system's own private-profile functions, where the system has them (Windows; under
// wine, wine's): the reference our INI layer is held to. Elsewhere nothing is available.

#include <optional>
#include <string>

// GetPrivateProfileStringA's value of `key` ("" when missing); nullopt without the function.
std::optional<std::string> systemProfileString(const std::string& file, const std::string& section,
                                               const std::string& key);
// WritePrivateProfileStringA; false when it failed or the system has no such function.
bool systemWriteProfileString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& value);
