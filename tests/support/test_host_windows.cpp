#include <windows.h>

#include "tests/support/test_host.h"

namespace test_host {

bool posixFileModes() {
    return false;
}

bool modesBindUs() {
    return false;
}

bool underWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::string lacks(Need need) {
    switch (need) {
    case Need::Signals:
        // raise() ends the process at once; a console event stands for Ctrl-C, but wine
        // delivers none to another process.
        return "POSIX signals: Windows has console events instead";
    case Need::Terminal:
        return "no pseudo-terminal on Windows";
    case Need::DeviceNodes:
        return "no /dev on Windows";
    }
    return "unknown need";
}

std::string runAndKill(const std::function<void()>&) {
    return "Windows cannot fork a process";
}

}  // namespace test_host
