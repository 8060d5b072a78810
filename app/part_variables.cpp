#include "app/part_variables.h"

#include "app/ini_file.h"

namespace PartVariables {
namespace {
// The platform reader's buffer held 60 characters with its terminator.
constexpr std::size_t kBufferChars = 59;
}

std::string ReadIniString(const std::string& section, const std::string& key,
                          const std::string& def, const std::string& file) {
    std::optional<IniDocument> doc = IniDocument::load(file);
    std::string value;
    if (doc) {
        if (auto v = doc->get(section, key)) value = v->substr(0, kBufferChars);
    }
    if (value.empty()) {
        // A file that could not be read is left alone rather than replaced.
        if (!def.empty() && doc) {
            doc->set(section, key, def);
            doc->save(file);
        }
        return def;
    }
    if (const auto semicolon = value.find(';'); semicolon != std::string::npos) {
        value.erase(semicolon);
        const auto first = value.find_first_not_of(' ');
        const auto last = value.find_last_not_of(' ');
        value = first == std::string::npos ? std::string() : value.substr(first, last - first + 1);
    }
    return value;
}

}  // namespace PartVariables
