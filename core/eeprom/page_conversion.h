#pragma once
// Turning the EEPROM page's widget state into the five configuration bytes.
// Every field is checked before anything is written, so a page that cannot be encoded
// leaves the chip, the image and any file untouched.

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/eeprom/eeprom_fields.h"

namespace eeprom {

// A drop-down list as the page shows it: the chosen item (-1: none) and the shown text.
struct ListChoice {
    int index = -1;
    std::string text;
};

// Everything of the page that the conversion reads.
struct PageState {
    ListChoice ovThreshold, ovHysteresis, ovDelay;
    ListChoice uvThreshold, uvHysteresis;
    bool disDsgFet = false, disDsgChgFet = false;
    ListChoice ocThreshold, uvDelay;
    std::vector<std::string> uvDelayItems;  // the list's current 16 items
    std::string ocDelayText;
    bool sor = false, zvc = false, cben = false;
    ListChoice scdThreshold, scdDelay;
};

// The over-voltage threshold list has neither a chosen item nor a text: the page was never
// filled. Callers show kNoValuesProgrammed and write nothing.
struct NoValues {};
inline constexpr std::string_view kNoValuesProgrammed = "No values programmed.";

// A read failed while the page was filled from the chip: the page says so, and the commands
// that would write its values refuse until it was read whole or a file was loaded.
inline constexpr std::string_view kChipNotRead =
    "The chip could not be read: the page does not show the chip's values.";
inline constexpr std::string_view kChipNotReadRefusal =
    "The chip could not be read, so the page does not show its values. Nothing was written. "
    "Show the EEPROM page again to read the chip, or open a file.";

// A field that has no encoding; `field` is the label the user sees on the page.
struct FieldError {
    std::string field;
    std::string description;
    // "Over Current Delay Time: "abc" is not a delay in ms. Nothing was written."
    std::string message() const;
};

// The codes of a page that encodes. `settled` gives, for each list in kRegisterLists order,
// the item the list must show afterwards (a list chosen by text gets its item chosen).
struct Converted {
    EepromSettings settings;
    EepromImage image;
    std::array<int, 9> settled;
};

using ConversionResult = std::variant<Converted, NoValues, FieldError>;

// The item a list stands for: its chosen item, else the first item whose text equals the
// shown text exactly; nullopt when neither exists.
std::optional<int> settle(const ListChoice& choice, std::span<const std::string_view> items);
std::optional<int> settle(const ListChoice& choice, const std::vector<std::string>& items);

ConversionResult convertPage(const PageState& page);

}  // namespace eeprom
