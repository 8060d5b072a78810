#pragma once
// A file the program writes as it goes (a recording, a log): created or appended to, written
// in whole pieces, closed on every way out. A read-only file is refused and left as it is.

#include <cstdint>
#include <string>
#include <string_view>

class OutputFile {
public:
    enum class Mode {
        replace,  // created, or emptied when it exists
        append,   // created, or written at its end; each write lands whole at the end even
                  // when other processes append to the same file
    };

    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // False and a reason in `error` when it cannot be opened (read-only, a folder, a device).
    bool open(const std::string& path, Mode mode, std::string& error);
    bool isOpen() const;
    // Writes all of `data` in one call where the system allows it; false and `error` on a
    // failure, with what was written left in the file.
    bool write(std::string_view data, std::string& error);
    // Makes what was written last through a power cut.
    bool sync(std::string& error);
    bool close(std::string& error);

private:
    std::intptr_t handle_ = -1;  // the descriptor or handle; -1 for none on both systems
    bool append_ = false;
};

// Appends `record` (one whole line with its end) and syncs it; false and `error` when not.
bool appendRecord(const std::string& path, std::string_view record, std::string& error);
// Empty when `path` can be appended to (it is created when missing), else the reason.
std::string checkAppendable(const std::string& path);
