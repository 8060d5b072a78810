#include <cerrno>
#include <cstring>

#include "tests/support/missing_file_text.h"

std::string missingFileText() {
    return std::strerror(ENOENT);
}
