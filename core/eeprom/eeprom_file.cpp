#include "core/eeprom/eeprom_file.h"

#include <filesystem>

#include "core/base/native_path.h"
#include "core/chip/register_map.h"
#include "core/link/miscellaneous.h"

namespace eeprom {

std::string registerKey(int slot) {
    return "Register" + Miscellaneous::ByteToHex(static_cast<unsigned>(chip::kFirstEeprom + slot));
}

std::string iniValue(const IniDocument& doc, std::string_view section, std::string_view key) {
    return valueBeforeComment(doc.get(section, key).value_or(std::string()));
}

std::string EeFileError::message() const {
    switch (kind) {
        case Kind::InvalidName:
            return std::string(kInvalidFile);
        case Kind::Unreadable:
        case Kind::BadValue:
            break;
    }
    return std::string(kErrorOpening) + detail;
}

EeReadResult readEeDocument(const IniDocument& doc) {
    if (iniValue(doc, kDeviceSection, kNameKey) != kDeviceName) {
        return EeFileError{EeFileError::Kind::InvalidName, {}};
    }
    EepromImage image{};
    for (int i = 0; i < chip::kEepromCount; ++i) {
        const std::string key = registerKey(i);
        const std::string text = iniValue(doc, kRegistersSection, key);
        const std::int16_t value = Miscellaneous::HexToByte(text);
        if (value < 0) {
            return EeFileError{EeFileError::Kind::BadValue,
                               key + " holds \"" + text +
                                   "\", which is not a byte of one or two hexadecimal digits"};
        }
        image[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value);
    }
    return image;
}

EeReadResult readEeFile(const std::string& path) {
    std::string error;
    const std::optional<IniDocument> doc = IniDocument::load(path, &error);
    if (!doc) return EeFileError{EeFileError::Kind::Unreadable, error};
    return readEeDocument(*doc);
}

std::vector<std::string> missingRegisterKeys(const IniDocument& doc) {
    std::vector<std::string> missing;
    for (int i = 0; i < chip::kEepromCount; ++i) {
        const std::string key = registerKey(i);
        if (iniValue(doc, kRegistersSection, key).empty()) missing.push_back(key);
    }
    return missing;
}

bool isRegularFile(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(nativePath(path), ec);
}

void putEeValues(IniDocument& doc, const EepromImage& image) {
    doc.set(kDeviceSection, kNameKey, kDeviceName);
    for (int i = 0; i < chip::kEepromCount; ++i) {
        doc.set(kRegistersSection, registerKey(i),
                Miscellaneous::ByteToHex(image[static_cast<std::size_t>(i)]));
    }
}

std::optional<std::string> writeEeFile(const std::string& path, const EepromImage& image) {
    std::string error;
    std::optional<IniDocument> doc = IniDocument::load(path, &error);
    // An existing file that cannot be read is not replaced: its other contents would be lost.
    if (!doc) return error;
    putEeValues(*doc, image);
    if (!doc->save(path, &error)) return error;
    return std::nullopt;
}

}  // namespace eeprom
