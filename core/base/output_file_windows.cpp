#include <windows.h>

#include "core/base/output_file.h"
#include "core/base/safe_file.h"
#include "core/base/windows_text.h"

namespace {
HANDLE asHandle(std::intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}
}  // namespace

OutputFile::~OutputFile() {
    if (handle_ != -1) CloseHandle(asHandle(handle_));
}

bool OutputFile::open(const std::string& path, Mode mode, std::string& error) {
    std::string ignored;
    close(ignored);
    if (std::string why = readOnlyReason(path); !why.empty()) {
        error = why;
        return false;
    }
    // Append access alone: every write goes to the end of the file, whole, whoever else
    // writes to it.
    // (Read access too, which the lock in write() needs.)
    const DWORD access =
        mode == Mode::append ? FILE_APPEND_DATA | FILE_READ_DATA | SYNCHRONIZE : GENERIC_WRITE;
    const HANDLE h = CreateFileW(widen(path).c_str(), access,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 mode == Mode::append ? OPEN_ALWAYS : CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = systemErrorText(GetLastError());
        return false;
    }
    handle_ = reinterpret_cast<std::intptr_t>(h);
    append_ = mode == Mode::append;
    return true;
}

bool OutputFile::isOpen() const {
    return handle_ != -1;
}

bool OutputFile::write(std::string_view data, std::string& error) {
    // Appends of several handles at once may land on the same end of the file (wine's, for
    // one), so that a record overwrites another: each append holds the whole file locked.
    OVERLAPPED whole{};
    const bool locked = append_ && LockFileEx(asHandle(handle_), LOCKFILE_EXCLUSIVE_LOCK, 0,
                                              MAXDWORD, MAXDWORD, &whole);
    struct Unlock {
        bool locked;
        HANDLE h;
        OVERLAPPED* whole;
        ~Unlock() {
            if (locked) UnlockFileEx(h, 0, MAXDWORD, MAXDWORD, whole);
        }
    } unlock{locked, asHandle(handle_), &whole};
    while (!data.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(asHandle(handle_), data.data(), chunk, &written, nullptr) || written == 0) {
            error = written == 0 && GetLastError() == ERROR_SUCCESS
                        ? "short write"
                        : systemErrorText(GetLastError());
            return false;
        }
        data.remove_prefix(written);
    }
    return true;
}

bool OutputFile::sync(std::string& error) {
    if (FlushFileBuffers(asHandle(handle_))) return true;
    error = systemErrorText(GetLastError());
    return false;
}

bool OutputFile::close(std::string& error) {
    if (handle_ == -1) return true;
    const BOOL ok = CloseHandle(asHandle(handle_));
    handle_ = -1;
    if (ok) return true;
    error = systemErrorText(GetLastError());
    return false;
}
