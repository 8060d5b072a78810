#include <cstdlib>
#include <filesystem>

#include "core/base/settings_path.h"

std::string settingsFilePath(const std::string& name) {
    namespace fs = std::filesystem;
    fs::path dir;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
        dir = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        dir = fs::path(home) / ".config";
    } else {
        return name;  // no home: the working directory
    }
    std::error_code ec;
    fs::create_directories(dir, ec);
    return (dir / name).string();
}
