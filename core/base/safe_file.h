#pragma once
// Writing and naming the program's own files (settings, .ee files, the simulator state,
// backups) so that none is ever taken by mistake: no blocking open of a FIFO or device, no
// symbolic link replaced by a copy, no file lost or left half-written by a failed save.

#include <cstddef>
#include <string>
#include <string_view>

// Replaces the file at `path` with `contents` through a temporary file beside it and a
// rename, then syncs the folder. A symbolic link is followed: its target is replaced and the
// link stays. An existing file keeps its permissions and, where the system allows, its
// owner; a new one gets the usual permissions under the umask. Anything but a regular file
// at the target is refused without being opened, and so is a read-only file: it is left as
// it is. False and a reason in `error` on failure.
bool writeFileAtomically(const std::string& path, std::string_view contents,
                         std::string* error = nullptr);

// Empty when `path` is missing or a regular file (after symbolic links); otherwise the
// reason it must not be opened as one, e.g. "not a regular file". Never opens it.
std::string specialFileReason(const std::string& path);

// True when `a` and `b` name the same file: the same inode when both exist, else the same
// absolute path with '.', '..' and symbolic links resolved as far as they exist.
bool sameFile(const std::string& a, const std::string& b);

enum class FileRead { ok, missing, failed };
// Reads a whole regular file of at most `maxSize` bytes into `contents`. A FIFO or device is
// refused before any open, which could block or have effects. `failed` sets `error`.
FileRead readSmallFile(const std::string& path, std::size_t maxSize, std::string& contents,
                       std::string& error);

// Empty when `path` may be written (or does not exist yet), else why not, e.g. "read-only
// file": a file the user marked read-only is not written even where the system would let
// its owner or an administrator do so.
std::string readOnlyReason(const std::string& path);
