#include "core/monitor/csv_recorder.h"

#include "core/monitor/sample_format.h"

namespace monitor {

CsvRecorder::~CsvRecorder() {
    close();
}

bool CsvRecorder::fail(const std::string& what, const std::string& why) {
    error_ = what + " '" + path_ + "': " + why;
    return false;
}

bool CsvRecorder::open(const std::string& path, const std::vector<std::uint8_t>& registers) {
    close();
    path_ = path;
    error_.clear();
    rows_ = 0;
    std::string why;
    if (!file_.open(path, OutputFile::Mode::replace, why)) return fail("cannot create", why);
    pending_ = csvHeader(registers);
    lastFlush_ = 0;
    if (flush()) return true;
    file_.close(why);  // not recording: a file without its header is no recording
    return false;
}

bool CsvRecorder::add(const MonitorSample& sample) {
    if (!file_.isOpen() || !error_.empty()) return false;
    pending_ += csvRow(sample);
    ++rows_;
    if (sample.seconds - lastFlush_ >= kFlushInterval || sample.seconds < lastFlush_) {
        lastFlush_ = sample.seconds;
        return flush();
    }
    return true;
}

bool CsvRecorder::flush() {
    if (!file_.isOpen() || !error_.empty()) return false;
    // One write of whole rows; a short write (disk full) is continued or reported.
    std::string why;
    if (!file_.write(pending_, why)) return fail("cannot write", why);
    pending_.clear();
    return true;
}

bool CsvRecorder::close() {
    if (!file_.isOpen()) return error_.empty();
    const bool flushed = flush();
    std::string why;
    const bool closed = file_.close(why);
    if (flushed && !closed) return fail("cannot close", why);
    return flushed;
}

}  // namespace monitor
