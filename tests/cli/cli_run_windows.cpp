// Runs varenthal-cli.exe as Windows starts a program: CreateProcess with its standard
// output and error in files and standard input on the null device.
#include <windows.h>

#include <filesystem>
#include <random>
#include <stdexcept>
#include <thread>

#include "cli_run.h"

namespace {

std::wstring widenText(const std::string& text) {
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

// One argument as the C runtime splits a command line again.
std::wstring quoted(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(2 * backslashes, L'\\');
    return out + L"\"";
}

HANDLE inheritable(const std::wstring& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

PROCESS_INFORMATION startCli(const std::vector<std::string>& args, const std::string& outPath,
                             const std::string& errPath) {
    std::wstring line = quoted(widenText(VARENTHAL_CLI_PATH));
    for (const std::string& a : args) line += L" " + quoted(widenText(a));
    const HANDLE in = inheritable(L"NUL", GENERIC_READ, OPEN_EXISTING);
    const HANDLE out = inheritable(widenText(outPath), GENERIC_WRITE, CREATE_ALWAYS);
    const HANDLE err = inheritable(widenText(errPath), GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    const BOOL started =
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NEW_PROCESS_GROUP,
                       nullptr, nullptr, &startup, &process);
    CloseHandle(in);
    CloseHandle(out);
    CloseHandle(err);
    if (!started) throw std::runtime_error("cannot start " VARENTHAL_CLI_PATH);
    CloseHandle(process.hThread);
    return process;
}

CliRun waitCli(HANDLE process, const std::string& outPath, const std::string& errPath) {
    WaitForSingleObject(process, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    CliRun run;
    run.exitCode = static_cast<int>(code);
    run.out = readFile(outPath);
    run.err = readFile(errPath);
    return run;
}

std::string freshName(const char* what) {
    static std::mt19937 generator{std::random_device{}()};
    return (std::filesystem::temp_directory_path() /
            ("varenthal-cli-" + std::string(what) + "-" + std::to_string(generator())))
        .string();
}

}  // namespace

CliProcess::CliProcess(const std::vector<std::string>& args)
    : outPath_(freshName("stdout")), errPath_(freshName("stderr")) {
    const PROCESS_INFORMATION process = startCli(args, outPath_, errPath_);
    pid_ = static_cast<int>(process.dwProcessId);
    handle_ = reinterpret_cast<std::intptr_t>(process.hProcess);
}

CliProcess::~CliProcess() {
    if (handle_ != -1) {
        const HANDLE process = reinterpret_cast<HANDLE>(handle_);
        TerminateProcess(process, 137);
        WaitForSingleObject(process, INFINITE);
        CloseHandle(process);
    }
    std::remove(outPath_.c_str());
    std::remove(errPath_.c_str());
}

void CliProcess::terminate() {
    GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, static_cast<DWORD>(pid_));
}

CliRun CliProcess::wait() {
    const CliRun run = waitCli(reinterpret_cast<HANDLE>(handle_), outPath_, errPath_);
    handle_ = -1;
    return run;
}

CliRun runCli(const std::vector<std::string>& args) {
    const TempDir dir;
    const std::string outPath = dir.file("stdout"), errPath = dir.file("stderr");
    return waitCli(startCli(args, outPath, errPath).hProcess, outPath, errPath);
}

// Ctrl-Break to the program's own process group: the one console event that can be sent
// to a single group.
CliRun runCliInterrupted(const std::vector<std::string>& args, std::chrono::milliseconds after) {
    CliProcess process(args);
    std::this_thread::sleep_for(after);
    GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, static_cast<DWORD>(process.pid()));
    return process.wait();
}

CliRun runCliOnTerminal(const std::vector<std::string>&, const std::string&) {
    throw std::runtime_error("no pseudo-terminal on Windows");
}

TempDir::TempDir() {
    path_ = freshName("dir");
    std::filesystem::create_directories(path_);
}

bool makeSpecialFile(std::string& path) {
    path = "NUL";
    return true;
}
