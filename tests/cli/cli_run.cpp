#include "cli_run.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/base/native_path.h"

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> traceEvents(const std::string& path) {
    std::vector<std::string> events;
    std::istringstream in(readFile(path));
    for (std::string line; std::getline(in, line);) {
        const auto space = line.find(' ');
        events.push_back(space == std::string::npos ? line : line.substr(space + 1));
    }
    return events;
}

std::string withNewFileLineEnds(std::string text) {
    const std::string eol = newFileLineEnd();
    for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += eol.size()) {
        text.replace(at, 1, eol);
    }
    return text;
}
