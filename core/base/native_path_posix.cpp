#include "core/base/native_path.h"

// POSIX names are bytes; UTF-8 passes as it is.
std::filesystem::path nativePath(const std::string& utf8) {
    return std::filesystem::path(utf8);
}

std::string utf8Path(const std::filesystem::path& path) {
    return path.string();
}

std::FILE* openFile(const std::string& utf8, const char* mode) {
    return std::fopen(utf8.c_str(), mode);
}

const char* newFileLineEnd() {
    return "\n";
}
