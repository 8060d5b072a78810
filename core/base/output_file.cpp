#include "core/base/output_file.h"

bool appendRecord(const std::string& path, std::string_view record, std::string& error) {
    OutputFile file;
    return file.open(path, OutputFile::Mode::append, error) && file.write(record, error) &&
           file.sync(error) && file.close(error);
}

std::string checkAppendable(const std::string& path) {
    OutputFile file;
    std::string error;
    if (!file.open(path, OutputFile::Mode::append, error)) return error;
    file.close(error);
    return {};
}
