#pragma once
// What the machine that runs the tests can do where the platforms differ, so that a test
// which needs POSIX signals, a terminal or file modes is skipped with the reason instead of
// being compiled out.

#include <functional>
#include <string>

namespace test_host {

// Files carry POSIX modes (Windows has only a read-only attribute).
bool posixFileModes();
// The modes bind the user who runs the tests (root writes where they say no).
bool modesBindUs();
// The tests run under wine rather than on Windows itself.
bool underWine();

enum class Need {
    Signals,      // Ctrl-C and SIGTERM sent to a running program
    Terminal,     // a pseudo-terminal as a program's standard input
    DeviceNodes,  // Linux's device nodes under /dev
};
// Empty when this machine has what a test needs; otherwise why it has not.
std::string lacks(Need need);

// Runs `body` in a child process that then dies by SIGKILL, as a crash would end it.
// Empty when the child died so; otherwise why it could not.
std::string runAndKill(const std::function<void()>& body);

}  // namespace test_host
