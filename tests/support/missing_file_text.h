#pragma once
// What the platform says when a file is not there, as the About box must show it.

#include <string>

std::string missingFileText();
