// clang-format off: windows.h first, the other system headers build on it.
#include <windows.h>
// clang-format on
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "cli/console.h"
#include "core/base/windows_text.h"

namespace cli {

bool stdinIsTerminal() {
    // _isatty() also says yes for the NUL device; only a console has a console mode.
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

std::vector<std::string> prepareConsole(int argc, char* argv[]) {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return {argv, argv + argc};
    std::vector<std::string> args;
    for (int i = 0; i < count; ++i) args.push_back(narrow(wide[i]));
    LocalFree(wide);
    return args;
}

std::string hostName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(name, &size) ? narrow(std::wstring(name, size)) : "";
}

}  // namespace cli
