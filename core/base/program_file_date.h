#pragma once
// The program file that the about box dates, and its last-modified date.

#include <string>

struct FileDateResult {
    std::string date;   // "mm/dd/yyyy"; the zero date "12/30/1899" when it cannot be read
    std::string error;  // the platform's text for the failure, else empty
};

// The program's own folder, the platform's separator and the fixed name of the program file
// ("varenthal" on Linux, "Varenthal.exe" on Windows): the running file's own name is not
// used, so that a renamed copy shows that it is one.
std::string programFilePath();

FileDateResult programFileDate(const std::string& path);
