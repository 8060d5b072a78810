#include "core/eeprom/field_differences.h"

namespace eeprom {
namespace {

std::string withUnit(std::string text, std::string_view unit) {
    if (!unit.empty()) text += " " + std::string(unit);
    return text;
}

std::string listText(const ListField& list, std::uint8_t code,
                     const std::vector<std::string>& uvDelayItems) {
    if (list.items.empty()) {
        return code < uvDelayItems.size() ? uvDelayItems[code] : std::to_string(code);
    }
    return std::string(list.items[code]);
}

}  // namespace

std::vector<RegisterDifference> registerDifferences(const EepromImage& expected,
                                                    const EepromImage& actual,
                                                    const std::vector<std::string>& uvDelayItems) {
    std::vector<RegisterDifference> out;
    for (int slot = 0; slot < chip::kEepromCount; ++slot) {
        const auto i = static_cast<std::size_t>(slot);
        if (expected[i] == actual[i]) continue;
        RegisterDifference d;
        d.address = static_cast<std::uint8_t>(chip::kFirstEeprom + slot);
        d.expected = expected[i];
        d.actual = actual[i];
        // In bit order within the register, as the page's frame lists them.
        for (unsigned bit = 0; bit < 8; ++bit) {
            for (const ListField* list : kRegisterLists) {
                const chip::Field& f = list->field;
                if (f.address != d.address || f.shift != bit) continue;
                const std::uint8_t a = f.get(d.expected), b = f.get(d.actual);
                if (a == b) continue;
                d.fields.push_back({std::string(list->label),
                                    withUnit(listText(*list, a, uvDelayItems), list->unit),
                                    withUnit(listText(*list, b, uvDelayItems), list->unit)});
            }
            if (chip::kOcDelay.address == d.address && chip::kOcDelay.shift == bit) {
                const std::uint8_t a = chip::kOcDelay.get(d.expected);
                const std::uint8_t b = chip::kOcDelay.get(d.actual);
                if (a != b) {
                    d.fields.push_back({std::string(kOcDelayLabel),
                                        withUnit(ocDelayText(a), kOcDelayUnit),
                                        withUnit(ocDelayText(b), kOcDelayUnit)});
                }
            }
            for (const FlagField* flag : kFlags) {
                const chip::Field& f = flag->field;
                if (f.address != d.address || f.shift != bit) continue;
                const bool a = f.get(d.expected) != 0, b = f.get(d.actual) != 0;
                if (a == b) continue;
                d.fields.push_back(
                    {std::string(flag->caption), a ? "set" : "clear", b ? "set" : "clear"});
            }
        }
        out.push_back(std::move(d));
    }
    return out;
}

}  // namespace eeprom
