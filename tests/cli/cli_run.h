#pragma once
// Runs the real varenthal-cli executable and collects what it printed and its exit code.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Standard input is /dev/null: no terminal, as on a production line or in CI.
CliRun runCli(const std::vector<std::string>& args);
// As runCli, with Ctrl-C (SIGINT) sent `after` the start.
CliRun runCliInterrupted(const std::vector<std::string>& args, std::chrono::milliseconds after);
// Standard input is a pseudo-terminal on which `typed` has been typed.
CliRun runCliOnTerminal(const std::vector<std::string>& args, const std::string& typed);

class TempDir;

// The executable started without waiting for it (stdin /dev/null), for tests that signal it.
class CliProcess {
public:
    explicit CliProcess(const std::vector<std::string>& args);
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;
    int pid() const { return pid_; }
    // SIGTERM; on Windows the console's Ctrl-Break.
    void terminate();
    CliRun wait();

private:
    std::string outPath_, errPath_;
    int pid_ = -1;
    std::intptr_t handle_ = -1;  // Windows: the process handle
};

// A fresh directory for one test's files, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

std::string readFile(const std::string& path);
// `text` with the line ends of a file the tool makes new: CR LF on Windows.
std::string withNewFileLineEnds(std::string text);
// A name that is no regular file: a FIFO made at `path` on POSIX; on Windows `path` becomes
// the null device, which no folder can hold.
bool makeSpecialFile(std::string& path);
void writeFile(const std::string& path, const std::string& text);
// The trace lines without their time stamps ("write 06 5A rc=0").
std::vector<std::string> traceEvents(const std::string& path);
// One JSON value per line, as --log and several boards' --json write them; `Json` is the
// nlohmann type the test compares with.
template <typename Json>
std::vector<Json> jsonLines(const std::string& text) {
    std::vector<Json> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(Json::parse(line));
    return lines;
}
