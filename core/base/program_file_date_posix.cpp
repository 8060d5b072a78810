#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "core/base/program_file_date.h"

std::string programFilePath() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return self.parent_path().string() + "/" + "varenthal";
}

FileDateResult programFileDate(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {"12/30/1899", std::strerror(errno)};
    std::tm local{};
    localtime_r(&st.st_mtime, &local);
    char text[40];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", local.tm_mon + 1, local.tm_mday,
                  local.tm_year + 1900);
    return {text, {}};
}
