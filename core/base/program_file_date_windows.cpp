#include <windows.h>

#include <cstdio>

#include "core/base/program_file_date.h"
#include "core/base/windows_text.h"

std::string programFilePath() {
    std::wstring self(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
        if (n < self.size()) {
            self.resize(n);
            break;
        }
        self.resize(self.size() * 2);
    }
    return narrow(self.substr(0, self.find_last_of(L"\\/"))) + "\\" + "Varenthal.exe";
}

FileDateResult programFileDate(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    FILETIME local{};
    SYSTEMTIME time{};
    if (!GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data) ||
        !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
        !FileTimeToSystemTime(&local, &time)) {
        return {"12/30/1899", systemErrorText(GetLastError())};
    }
    char text[40];
    std::snprintf(text, sizeof text, "%02u/%02u/%04u", time.wMonth, time.wDay, time.wYear);
    return {text, {}};
}
