#pragma once
// The last-modified date of a file, as the about box shows it.

#include <string>

struct FileDateResult {
    std::string date;   // "mm/dd/yyyy"; the zero date "12/30/1899" when it cannot be read
    std::string error;  // the platform's text for the failure, else empty
};

FileDateResult programFileDate(const std::string& path);
