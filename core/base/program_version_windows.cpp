#include <windows.h>
// after windows.h
#include <winver.h>

#include <vector>

#include "core/base/program_version.h"

namespace {

std::string utf8(const wchar_t* text, UINT length) {
    if (length == 0) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), n, nullptr,
                        nullptr);
    while (!out.empty() && out.back() == '\0') out.pop_back();
    return out;
}

}  // namespace

ProgramVersion programVersion() {
    ProgramVersion version;
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return version;
        if (n < path.size()) break;
        path.resize(path.size() * 2);
    }
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.data(), &ignored);
    if (size == 0) return version;  // a program built without its resource shows nothing
    std::vector<char> block(size);
    if (!GetFileVersionInfoW(path.data(), 0, size, block.data())) return version;

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) &&
        length >= sizeof(VS_FIXEDFILEINFO)) {
        version.major = HIWORD(fixed->dwFileVersionMS);
        version.minor = LOWORD(fixed->dwFileVersionMS);
        version.revision = HIWORD(fixed->dwFileVersionLS);
    }
    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translation = nullptr;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translation), &length) ||
        length < sizeof(Translation)) {
        return version;
    }
    const auto text = [&](const wchar_t* key) {
        wchar_t query[96];
        swprintf(query, 96, L"\\StringFileInfo\\%04x%04x\\%ls", translation->language,
                 translation->codePage, key);
        wchar_t* value = nullptr;
        UINT chars = 0;
        if (!VerQueryValueW(block.data(), query, reinterpret_cast<void**>(&value), &chars))
            return std::string();
        return utf8(value, chars);
    };
    version.fileDescription = text(L"FileDescription");
    version.productName = text(L"ProductName");
    version.legalNotice = text(L"LegalCopyright");
    version.comments = text(L"Comments");
    return version;
}
