#include <windows.h>

#include "tests/support/missing_file_text.h"

std::string missingFileText() {
    char* text = nullptr;
    const DWORD n = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, ERROR_FILE_NOT_FOUND, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message(text ? text : "", n);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    return message;
}
