#include <windows.h>

#include <cwctype>
#include <filesystem>
#include <random>

#include "core/base/native_path.h"
#include "core/base/safe_file.h"
#include "core/base/windows_text.h"

namespace {

// Closes a handle on every way out of a scope.
class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    bool close() {
        const bool ok = !valid() || CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE h_;
};

std::string lastErrorText() {
    return systemErrorText(GetLastError());
}

// CON, NUL, COM1 and the like name devices in every folder, whatever extension follows.
bool isDeviceName(const std::wstring& path) {
    if (path.rfind(L"\\\\.\\", 0) == 0 || path.rfind(L"//./", 0) == 0) return true;
    std::wstring name = std::filesystem::path(path).filename().wstring();
    name = name.substr(0, name.find(L'.'));
    while (!name.empty() && (name.back() == L' ' || name.back() == L':')) name.pop_back();
    for (wchar_t& c : name) c = static_cast<wchar_t>(std::towupper(c));
    if (name == L"CON" || name == L"PRN" || name == L"AUX" || name == L"NUL" || name == L"CONIN$" ||
        name == L"CONOUT$")
        return true;
    return name.size() == 4 && (name.rfind(L"COM", 0) == 0 || name.rfind(L"LPT", 0) == 0) &&
           name[3] >= L'1' && name[3] <= L'9';
}

std::wstring randomSuffix() {
    thread_local std::mt19937 generator{std::random_device{}()};  // one per bus thread
    static constexpr wchar_t kChars[] = L"abcdefghijklmnopqrstuvwxyz0123456789";
    std::wstring out = L".";
    for (int i = 0; i < 8; ++i) out += kChars[generator() % (sizeof kChars / sizeof *kChars - 1)];
    return out + L".tmp";
}

bool writeAll(HANDLE file, std::string_view contents) {
    while (!contents.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(contents.size(), 1 << 20));
        DWORD written = 0;
        if (!WriteFile(file, contents.data(), chunk, &written, nullptr) || written == 0) {
            return false;
        }
        contents.remove_prefix(written);
    }
    return true;
}

}  // namespace

std::string specialFileReason(const std::string& path) {
    const std::wstring wide = widen(path);
    if (isDeviceName(wide)) return "not a regular file";
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return {};
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return "is a directory";
    if (attributes & FILE_ATTRIBUTE_DEVICE) return "not a regular file";
    return {};
}

std::string readOnlyReason(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(widen(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return {};
    return (attributes & FILE_ATTRIBUTE_READONLY) ? "read-only file" : "";
}

FileRead readSmallFile(const std::string& path, std::size_t maxSize, std::string& contents,
                       std::string& error) {
    auto fail = [&](const std::string& why) {
        error = why;
        return FileRead::failed;
    };
    if (const std::string why = specialFileReason(path); !why.empty()) return fail(why);
    Handle file(CreateFileW(widen(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return FileRead::missing;
        return fail(systemErrorText(code));
    }
    if (GetFileType(file.get()) != FILE_TYPE_DISK) return fail("not a regular file");
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return fail(lastErrorText());
    if (static_cast<unsigned long long>(size.QuadPart) > maxSize) return fail("file too large");
    contents.clear();
    char chunk[4096];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(file.get(), chunk, sizeof chunk, &n, nullptr)) return fail(lastErrorText());
        if (n == 0) break;
        contents.append(chunk, n);
        if (contents.size() > maxSize) return fail("file too large");
    }
    return FileRead::ok;
}

bool writeFileAtomically(const std::string& path, std::string_view contents, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    const std::wstring target = widen(path);
    if (const std::string why = specialFileReason(path); !why.empty()) return fail(why);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY)) return fail("read-only file");

    std::wstring tmp;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; h == INVALID_HANDLE_VALUE && attempt < 100; ++attempt) {
        tmp = target + randomSuffix();
        h = CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
        if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (h == INVALID_HANDLE_VALUE) return fail(lastErrorText());
    Handle file(h);
    struct Remover {
        const std::wstring& name;
        bool armed = true;
        ~Remover() {
            if (armed) DeleteFileW(name.c_str());
        }
    } remover{tmp};

    if (!writeAll(file.get(), contents) || !FlushFileBuffers(file.get())) {
        return fail(lastErrorText());
    }
    if (!file.close()) return fail(lastErrorText());
    // ReplaceFileW keeps the old file's attributes and security; a new file is moved in place.
    // Either way the move is written through before the call returns.
    bool moved = false;
    if (exists) {
        moved = ReplaceFileW(target.c_str(), tmp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                             nullptr, nullptr) != 0;
    }
    if (!moved && !MoveFileExW(tmp.c_str(), target.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return fail(lastErrorText());
    }
    remover.armed = false;
    return true;
}

bool sameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    auto identity = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
        Handle h(CreateFileW(widen(path).c_str(), 0,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        return h.valid() && GetFileInformationByHandle(h.get(), &info);
    };
    BY_HANDLE_FILE_INFORMATION ia{}, ib{};
    if (identity(a, ia) && identity(b, ib)) {
        return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
               ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
    }
    std::error_code ec;
    auto canonical = [&](const std::string& p) {
        std::wstring text =
            std::filesystem::weakly_canonical(std::filesystem::absolute(nativePath(p), ec), ec)
                .wstring();
        for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));  // names ignore case
        return text;
    };
    return canonical(a) == canonical(b);
}
