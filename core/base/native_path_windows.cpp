#include <windows.h>

#include "core/base/native_path.h"
#include "core/base/windows_text.h"

std::wstring widen(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

std::string narrow(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n,
                        nullptr, nullptr);
    return utf8;
}

std::string systemErrorText(unsigned long code) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring wide = n > 0 && text ? std::wstring(text, n) : std::wstring();
    if (text) LocalFree(text);
    while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' '))
        wide.pop_back();
    if (wide.empty()) return "system error " + std::to_string(code);
    return narrow(wide);
}

std::filesystem::path nativePath(const std::string& utf8) {
    return std::filesystem::path(widen(utf8));
}

std::string utf8Path(const std::filesystem::path& path) {
    return narrow(path.wstring());
}

std::FILE* openFile(const std::string& utf8, const char* mode) {
    // "e" (close on exec) is a POSIX flag; Windows handles of the C library are not inherited.
    std::string flags;
    for (const char* m = mode; *m; ++m) {
        if (*m != 'e') flags += *m;
    }
    return _wfopen(widen(utf8).c_str(), widen(flags).c_str());
}

const char* newFileLineEnd() {
    return "\r\n";
}
