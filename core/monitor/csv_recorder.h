#pragma once
// Records samples to a CSV file: the header, then one row per sample. Rows are gathered in
// memory and written whole, at least once a second of sample time, so a crash loses at most
// the last second and never leaves half a row behind.

#include <cstdint>
#include <string>
#include <vector>

#include "core/base/output_file.h"
#include "core/monitor/monitor_sample.h"

namespace monitor {

class CsvRecorder {
public:
    static constexpr double kFlushInterval = 1.0;  // seconds of sample time

    CsvRecorder() = default;
    ~CsvRecorder();
    CsvRecorder(const CsvRecorder&) = delete;
    CsvRecorder& operator=(const CsvRecorder&) = delete;

    // Creates or replaces `path` and writes the header. False and a reason in error().
    bool open(const std::string& path, const std::vector<std::uint8_t>& registers);
    // Adds one row; writes the gathered rows when a second has passed since the last write.
    // False once a write has failed; the reason is in error().
    bool add(const MonitorSample& sample);
    // Writes what is gathered.
    bool flush();
    // Flushes and closes; false when the last write failed.
    bool close();

    bool isOpen() const { return file_.isOpen(); }
    std::uint64_t rows() const { return rows_; }
    const std::string& error() const { return error_; }

private:
    bool fail(const std::string& what, const std::string& why);

    OutputFile file_;
    std::string path_;
    std::string pending_;
    double lastFlush_ = 0;
    std::uint64_t rows_ = 0;
    std::string error_;
};

}  // namespace monitor
