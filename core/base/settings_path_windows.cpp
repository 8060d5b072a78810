// clang-format off: windows.h first, the other system headers build on it.
#include <windows.h>
// clang-format on
#include <shlobj.h>

#include <cstdlib>
#include <filesystem>

#include "core/base/native_path.h"
#include "core/base/settings_path.h"
#include "core/base/windows_text.h"

namespace {

// %APPDATA% as the user's environment has it, else the system's roaming application data.
std::wstring roamingAppData() {
    if (const wchar_t* env = _wgetenv(L"APPDATA"); env && *env) return env;
    wchar_t* known = nullptr;
    std::wstring folder;
    if (SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &known) == S_OK) folder = known;
    CoTaskMemFree(known);
    return folder;
}

}  // namespace

std::string settingsFilePath(const std::string& name) {
    const std::wstring appData = roamingAppData();
    if (appData.empty()) return name;
    const std::filesystem::path dir = std::filesystem::path(appData) / L"Varenthal";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    return utf8Path(dir / nativePath(name));
}
