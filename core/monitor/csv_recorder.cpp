#include "core/monitor/csv_recorder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/monitor/sample_format.h"

namespace monitor {

CsvRecorder::~CsvRecorder() {
    close();
}

bool CsvRecorder::fail(const std::string& what) {
    error_ = what + " '" + path_ + "': " + std::strerror(errno);
    return false;
}

bool CsvRecorder::open(const std::string& path, const std::vector<std::uint8_t>& registers) {
    close();
    path_ = path;
    error_.clear();
    rows_ = 0;
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) return fail("cannot create");
    pending_ = csvHeader(registers);
    lastFlush_ = 0;
    if (flush()) return true;
    ::close(fd_);  // not recording: a file without its header is no recording
    fd_ = -1;
    return false;
}

bool CsvRecorder::add(const MonitorSample& sample) {
    if (fd_ < 0 || !error_.empty()) return false;
    pending_ += csvRow(sample);
    ++rows_;
    if (sample.seconds - lastFlush_ >= kFlushInterval || sample.seconds < lastFlush_) {
        lastFlush_ = sample.seconds;
        return flush();
    }
    return true;
}

bool CsvRecorder::flush() {
    if (fd_ < 0 || !error_.empty()) return false;
    // One write of whole rows; a short write (disk full) is continued or reported.
    std::size_t done = 0;
    while (done < pending_.size()) {
        const ssize_t n = ::write(fd_, pending_.data() + done, pending_.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            pending_.erase(0, done);
            return fail("cannot write");
        }
        done += static_cast<std::size_t>(n);
    }
    pending_.clear();
    return true;
}

bool CsvRecorder::close() {
    if (fd_ < 0) return error_.empty();
    const bool flushed = flush();
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (flushed && !closed) return fail("cannot close");
    return flushed;
}

}  // namespace monitor
