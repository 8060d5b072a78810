#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/base/output_file.h"
#include "core/base/safe_file.h"

OutputFile::~OutputFile() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

bool OutputFile::open(const std::string& path, Mode mode, std::string& error) {
    std::string ignored;
    close(ignored);
    if (std::string why = readOnlyReason(path); !why.empty()) {
        error = why;
        return false;
    }
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (mode == Mode::append ? O_APPEND : O_TRUNC);
    const int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    handle_ = fd;
    return true;
}

bool OutputFile::isOpen() const {
    return handle_ >= 0;
}

bool OutputFile::write(std::string_view data, std::string& error) {
    // One write of the whole piece: on an O_APPEND descriptor, pieces of processes that
    // share the file do not interleave. A short write (disk full) is continued or reported.
    while (!data.empty()) {
        const ssize_t n = ::write(static_cast<int>(handle_), data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? std::strerror(errno) : "short write";
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool OutputFile::sync(std::string& error) {
    if (::fsync(static_cast<int>(handle_)) == 0) return true;
    error = std::strerror(errno);
    return false;
}

bool OutputFile::close(std::string& error) {
    if (handle_ < 0) return true;
    const int rc = ::close(static_cast<int>(handle_));
    handle_ = -1;
    if (rc == 0) return true;
    error = std::strerror(errno);
    return false;
}
