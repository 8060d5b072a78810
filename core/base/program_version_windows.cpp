#include <windows.h>
// after windows.h
#include <winver.h>

#include <vector>

#include "core/base/program_version.h"
#include "core/base/windows_text.h"

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
        // The length counts the closing zero.
        std::wstring wide(value, chars);
        while (!wide.empty() && wide.back() == L'\0') wide.pop_back();
        return narrow(wide);
    };
    version.fileDescription = text(L"FileDescription");
    version.productName = text(L"ProductName");
    version.legalNotice = text(L"LegalCopyright");
    version.comments = text(L"Comments");
    return version;
}
