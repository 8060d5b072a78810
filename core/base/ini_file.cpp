#include "core/base/ini_file.h"

namespace {

// Larger files are not settings or data files of ours; they are refused, not parsed.
constexpr std::size_t kMaxFileSize = 1 << 20;

std::string_view trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// "[name]" gives name; anything else nullopt.
std::optional<std::string_view> sectionName(std::string_view line) {
    const std::string_view t = trim(line);
    if (t.size() < 2 || t.front() != '[') return std::nullopt;
    const auto close = t.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return trim(t.substr(1, close - 1));
}

// One pair of matching quotes around a value goes, ' or ", as the system's reader takes
// them off: "Varenthal" reads as Varenthal, "a' and a lone " stay.
std::string_view withoutQuotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

bool isComment(std::string_view line) {
    const std::string_view t = trim(line);
    return !t.empty() && (t.front() == ';' || t.front() == '#');
}

// "key=value" gives key; nullopt for other lines.
std::optional<std::string_view> keyName(std::string_view line) {
    if (isComment(line) || sectionName(line)) return std::nullopt;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return trim(line.substr(0, eq));
}

}  // namespace

IniDocument IniDocument::parse(std::string_view text) {
    IniDocument doc;
    // A byte-order mark would hide the first section's name; it is kept for the write.
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (text.substr(0, kBom.size()) == kBom) {
        doc.bom_ = true;
        text.remove_prefix(kBom.size());
    }
    // A line ends in CR LF, LF or a lone CR, as the system's own INI reader takes them.
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto end = text.find_first_of("\r\n", pos);
        Line line;
        if (end == std::string_view::npos) {
            line.text = text.substr(pos);
            pos = text.size();
        } else {
            line.text = text.substr(pos, end - pos);
            const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
            line.eol = crlf ? "\r\n" : std::string(1, text[end]);
            pos = end + line.eol.size();
        }
        if (doc.lines_.empty() && !line.eol.empty()) doc.eol_ = line.eol;
        doc.lines_.push_back(std::move(line));
    }
    return doc;
}

std::optional<IniDocument> IniDocument::load(const std::string& path, std::string* error) {
    std::string text, why;
    switch (readSmallFile(path, kMaxFileSize, text, why)) {
        case FileRead::missing:
            return IniDocument{};
        case FileRead::failed:
            if (error) *error = why;
            return std::nullopt;
        case FileRead::ok:
            break;
    }
    // A NUL byte means this is no text file; it is neither read nor rewritten.
    if (text.find('\0') != std::string::npos) {
        if (error) *error = "not a text file";
        return std::nullopt;
    }
    return parse(text);
}

std::optional<std::string> IniDocument::get(std::string_view section, std::string_view key) const {
    // Only the first section of the name counts: a later one of the same name is not read,
    // as the system's reader does not read it.
    bool inSection = false;
    for (const Line& line : lines_) {
        if (const auto name = sectionName(line.text)) {
            if (inSection) break;
            inSection = equalsNoCase(*name, section);
        } else if (inSection) {
            if (const auto k = keyName(line.text); k && equalsNoCase(*k, key)) {
                const std::string_view t = line.text;
                return std::string(withoutQuotes(trim(t.substr(t.find('=') + 1))));
            }
        }
    }
    return std::nullopt;
}

bool IniDocument::hasSection(std::string_view section) const {
    for (const Line& line : lines_) {
        if (const auto name = sectionName(line.text); name && equalsNoCase(*name, section)) {
            return true;
        }
    }
    return false;
}

void IniDocument::set(std::string_view section, std::string_view key, std::string_view value) {
    const std::string newLine = std::string(key) + "=" + std::string(value);
    bool inSection = false;
    std::optional<std::size_t> insertAt;  // after the last key line of the section
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const std::string& text = lines_[i].text;
        if (const auto name = sectionName(text)) {
            if (inSection) break;
            inSection = equalsNoCase(*name, section);
            if (inSection) insertAt = i + 1;
        } else if (inSection) {
            if (const auto k = keyName(text)) {
                if (equalsNoCase(*k, key)) {
                    lines_[i].text = newLine;
                    return;
                }
                insertAt = i + 1;
            }
        }
    }
    // A last line without its ending gets one before anything follows it.
    if (!lines_.empty() && lines_.back().eol.empty()) lines_.back().eol = eol_;
    if (insertAt) {
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*insertAt), Line{newLine, eol_});
        return;
    }
    if (!lines_.empty() && !trim(lines_.back().text).empty()) lines_.push_back({"", eol_});
    lines_.push_back({"[" + std::string(section) + "]", eol_});
    lines_.push_back({newLine, eol_});
}

std::string IniDocument::text() const {
    std::string out = bom_ ? "\xEF\xBB\xBF" : "";
    for (const Line& line : lines_) out += line.text + line.eol;
    return out;
}

bool IniDocument::save(const std::string& path, std::string* error) const {
    return writeFileAtomically(path, text(), error);
}

std::string valueBeforeComment(std::string value) {
    if (const auto semicolon = value.find(';'); semicolon != std::string::npos) {
        value.erase(semicolon);
        const auto first = value.find_first_not_of(' ');
        const auto last = value.find_last_not_of(' ');
        value = first == std::string::npos ? std::string() : value.substr(first, last - first + 1);
    }
    return value;
}
