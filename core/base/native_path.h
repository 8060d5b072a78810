#pragma once
// File names travel through the program as UTF-8 text; the system calls want them in the
// platform's own form. The conversion happens here, at the edge, and nowhere else.

#include <filesystem>
#include <string>

// The path for the standard library's file calls (std::ifstream, std::filesystem).
std::filesystem::path nativePath(const std::string& utf8);
// The UTF-8 text of a path that the system gave.
std::string utf8Path(const std::filesystem::path& path);

#include <cstdio>
// std::fopen for a UTF-8 name.
std::FILE* openFile(const std::string& utf8, const char* mode);

// The line end of a text file made new by this program: "\r\n" on Windows, "\n" elsewhere.
const char* newFileLineEnd();
