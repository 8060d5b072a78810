#include <fcntl.h>
#include <pty.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "cli_run.h"

extern char** environ;

namespace {

// `ownGroup`: the process leads a process group of its own, whose parent (this test) is in the
// same session, so that a stop signal reaches it however the test runner grouped the tests.
pid_t startCli(const std::vector<std::string>& args, int stdinFd, const std::string& outPath,
               const std::string& errPath, bool ownGroup = false) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, stdinFd, STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> all{VARENTHAL_CLI_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (ownGroup) {
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
    }
    pid_t pid = 0;
    const int rc =
        posix_spawn(&pid, VARENTHAL_CLI_PATH, &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("cannot start " VARENTHAL_CLI_PATH);
    return pid;
}

CliRun waitCli(pid_t pid, const std::string& outPath, const std::string& errPath) {
    int status = 0;
    waitpid(pid, &status, 0);
    CliRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = readFile(outPath);
    run.err = readFile(errPath);
    return run;
}

CliRun spawnCli(const std::vector<std::string>& args, int stdinFd) {
    const TempDir dir;
    const std::string outPath = dir.file("stdout"), errPath = dir.file("stderr");
    return waitCli(startCli(args, stdinFd, outPath, errPath), outPath, errPath);
}

// Output files of started processes, kept until the process is waited for.
std::string freshPath(const char* name) {
    std::string pattern = (std::filesystem::temp_directory_path() / "varenthal-cli-XXXXXX");
    const int fd = mkstemp(pattern.data());
    if (fd < 0) throw std::runtime_error(std::string("mkstemp failed for ") + name);
    close(fd);
    return pattern;
}

}  // namespace

CliProcess::CliProcess(const std::vector<std::string>& args)
    : outPath_(freshPath("stdout")), errPath_(freshPath("stderr")) {
    const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
    pid_ = startCli(args, devNull, outPath_, errPath_, true);
    close(devNull);
}

CliProcess::~CliProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    std::remove(outPath_.c_str());
    std::remove(errPath_.c_str());
}

void CliProcess::terminate() {
    ::kill(pid_, SIGTERM);
}

CliRun CliProcess::wait() {
    const CliRun run = waitCli(pid_, outPath_, errPath_);
    pid_ = -1;
    return run;
}

CliRun runCli(const std::vector<std::string>& args) {
    const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
    CliRun run = spawnCli(args, devNull);
    close(devNull);
    return run;
}

CliRun runCliInterrupted(const std::vector<std::string>& args, std::chrono::milliseconds after) {
    CliProcess process(args);
    std::this_thread::sleep_for(after);
    kill(process.pid(), SIGINT);
    return process.wait();
}

CliRun runCliOnTerminal(const std::vector<std::string>& args, const std::string& typed) {
    int master = -1, slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        throw std::runtime_error("no pseudo-terminal");
    }
    fcntl(master, F_SETFD, FD_CLOEXEC);
    // The line discipline keeps the typed line until the program reads it.
    if (write(master, typed.data(), typed.size()) != static_cast<ssize_t>(typed.size())) {
        throw std::runtime_error("cannot type on the pseudo-terminal");
    }
    CliRun run = spawnCli(args, slave);
    close(slave);
    close(master);
    return run;
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "varenthal-cli-XXXXXX");
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

bool makeSpecialFile(std::string& path) {
    return ::mkfifo(path.c_str(), 0600) == 0;
}
