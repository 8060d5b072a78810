#pragma once
// INI files as the program keeps them: "[section]" headers and "key=value" lines, read as
// the system's own INI functions read them: lines end in CR LF, LF or a lone CR; names
// match without regard to case; the first section of a name is the one read and written;
// one pair of matching quotes around a value is taken off. Unlike those functions, every
// line that a change does not touch (comments, foreign keys, blank lines, line endings) is
// written back as it stood, and a file that is not text or is too large is refused whole.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/native_path.h"
#include "core/base/safe_file.h"

class IniDocument {
public:
    static IniDocument parse(std::string_view text);
    // Reads a file. A missing file gives an empty document; one that cannot be read, is not
    // a regular text file or is larger than any file of ours gives nullopt and sets `error`.
    static std::optional<IniDocument> load(const std::string& path, std::string* error = nullptr);

    // The value of a key, with the spaces and one pair of quotes around it removed; nullopt
    // when missing.
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
        std::string eol;   // "\r\n", "\n", "\r", or "" for a last line without one
    };
    std::vector<Line> lines_;
    // For new lines: the ending of the file's first line, else the system's own.
    std::string eol_ = newFileLineEnd();
    bool bom_ = false;
};

// A value as the settings reader hands it on: when it holds a ';', the text before it with
// the spaces around it removed; otherwise the value unchanged.
std::string valueBeforeComment(std::string value);
