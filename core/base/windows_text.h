#pragma once
// For the Windows implementations only: UTF-8 to and from the wide text of the system's
// calls, and the system's own words for an error code.

#include <string>

std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& wide);
// FormatMessage's text for a GetLastError code, without its line end.
std::string systemErrorText(unsigned long code);
