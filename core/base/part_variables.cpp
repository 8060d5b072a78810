#include "core/base/part_variables.h"

#include <charconv>
#include <cmath>
#include <iostream>

#include "core/base/ini_file.h"

namespace PartVariables {
namespace {
// The platform reader's buffer held 60 characters with its terminator.
constexpr std::size_t kBufferChars = 59;
}  // namespace

std::string ReadIniString(const std::string& section, const std::string& key,
                          const std::string& def, const std::string& file) {
    std::string error;
    std::optional<IniDocument> doc = IniDocument::load(file, &error);
    if (!doc) std::cerr << "varenthal: settings file '" << file << "' not used: " << error << '\n';
    std::string value;
    if (doc) {
        if (auto v = doc->get(section, key)) value = v->substr(0, kBufferChars);
    }
    if (value.empty()) {
        // A file that could not be read is left alone rather than replaced.
        if (!def.empty() && doc) {
            doc->set(section, key, def);
            // A read-only file, for one, stays as it is; the user is told which.
            if (std::string why; !doc->save(file, &why)) {
                std::cerr << "varenthal: settings file '" << file << "' not written: " << why
                          << '\n';
            }
        }
        return def;
    }
    return valueBeforeComment(value);
}

float writeDelayFromText(std::string_view text) {
    constexpr float kDefault = 0.07F;
    if (text.size() > 1 && text[0] == '+' && text[1] != '-') text.remove_prefix(1);
    float value = 0.0F;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return kDefault;
    }
    if (value == 0.0F || value >= 1.0F) return kDefault;
    return value;
}

}  // namespace PartVariables
