#pragma once
// `.ee` files: one configuration of registers 0x06..0x0A in INI form.
//
//   [Device]
//   Name=Varenthal
//   [Registers]
//   Register06=1F        two upper-case hex digits on writing;
//   ...                  one or two hex digits of either case, or empty, on reading;
//   Register0A=00        a missing key reads as 0; text after ';' is a comment
//
// Reading checks all five values before it hands any back, so a bad file changes nothing.
// Writing updates the six keys inside an existing file (its other sections, keys and
// comments stay) and replaces the file in one step, so a failure never leaves half a file.

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/base/ini_file.h"
#include "core/eeprom/eeprom_fields.h"

namespace eeprom {

inline constexpr std::string_view kDeviceSection = "Device";
inline constexpr std::string_view kNameKey = "Name";
inline constexpr std::string_view kDeviceName = "Varenthal";  // matched exactly, case included
inline constexpr std::string_view kRegistersSection = "Registers";

// Texts and titles of the file commands.
inline constexpr std::string_view kFileTitle = "Varenthal File Error";
inline constexpr std::string_view kFileDoesNotExist = "File Does Not Exist";
inline constexpr std::string_view kInvalidFile = "Invalid File";
inline constexpr std::string_view kErrorOpening = "Error Opening EEPROM File: ";
inline constexpr std::string_view kErrorSaving = "Error Saving EEPROM File: ";
inline constexpr std::string_view kOverwriteQuestion = "File Exists, Overwrite?";
inline constexpr std::string_view kOverwriteTitle = "Overwrite File";
inline constexpr std::string_view kOpenTitle = "Open EEPROM File";
inline constexpr std::string_view kSaveTitle = "Store EEPROM File";
inline constexpr std::string_view kInitialName = "*.EE";

// "Register06".."Register0A" for slot 0..4.
std::string registerKey(int slot);

// A value as the settings reader gives it: cut before the first ';', spaces trimmed.
std::string iniValue(const IniDocument& doc, std::string_view section, std::string_view key);

// Why a file did not load.
struct EeFileError {
    enum class Kind {
        Unreadable,   // the file could not be read: "Error Opening EEPROM File: " + detail
        InvalidName,  // Device/Name is not "Varenthal": "Invalid File"
        BadValue,     // a register value is not 0-2 hex digits: "Error Opening ..." + detail
    };
    Kind kind;
    std::string detail;
    // The message the user sees, without its title.
    std::string message() const;
};

using EeReadResult = std::variant<EepromImage, EeFileError>;

// Reads an `.ee` document (already loaded) or a file by path.
EeReadResult readEeDocument(const IniDocument& doc);
EeReadResult readEeFile(const std::string& path);

// The register keys ("Register08") that the document lacks or leaves empty; they read as 0.
std::vector<std::string> missingRegisterKeys(const IniDocument& doc);

// True when `path` names an existing ordinary file (not a directory or device).
bool isRegularFile(const std::string& path);

// Writes Name and the five register keys into `path`, keeping everything else that an
// existing file holds. Empty on success, else the reason (for kErrorSaving).
std::optional<std::string> writeEeFile(const std::string& path, const EepromImage& image);
// The same update on a document in memory.
void putEeValues(IniDocument& doc, const EepromImage& image);

}  // namespace eeprom
