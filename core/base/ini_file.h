#pragma once
// INI files as the program keeps them: "[section]" headers and "key=value" lines.
// Section and key names match without regard to case. Every line that is not touched by a
// change (comments, foreign keys, blank lines, line endings) is written back as it stood.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/safe_file.h"

class IniDocument {
public:
    static IniDocument parse(std::string_view text);
    // Reads a file. A missing file gives an empty document; one that cannot be read, is not
    // a regular text file or is larger than any file of ours gives nullopt and sets `error`.
    static std::optional<IniDocument> load(const std::string& path, std::string* error = nullptr);

    // The value of a key, with the spaces around it removed; nullopt when missing.
    std::optional<std::string> get(std::string_view section, std::string_view key) const;
    // Sets a key, creating its section and line as needed; other lines stay as they are.
    void set(std::string_view section, std::string_view key, std::string_view value);
    bool hasSection(std::string_view section) const;

    std::string text() const;
    // Writes the file through writeFileAtomically.
    bool save(const std::string& path, std::string* error = nullptr) const;

private:
    struct Line {
        std::string text;  // without its line ending
        std::string eol;   // "\r\n", "\n", or "" for a last line without one
    };
    std::vector<Line> lines_;
    std::string eol_ = "\n";  // for new lines: the ending of the file's first line
    bool bom_ = false;
};

// A value as the settings reader hands it on: when it holds a ';', the text before it with
// the spaces around it removed; otherwise the value unchanged.
std::string valueBeforeComment(std::string value);
