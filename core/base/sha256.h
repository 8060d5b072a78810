#pragma once
// SHA-256 of a byte string or a file, as 64 lower-case hex digits: the fingerprint of the
// configuration file in the production log, without a crypto library to load at start-up.

#include <optional>
#include <string>
#include <string_view>

std::string sha256Hex(std::string_view bytes);
// nullopt when the file cannot be read.
std::optional<std::string> sha256OfFile(const std::string& path);
