#include "core/eeprom/page_conversion.h"

namespace eeprom {
namespace {

template <typename Items>
std::optional<int> settleIn(const ListChoice& choice, const Items& items) {
    const int count = static_cast<int>(items.size());
    if (choice.index >= 0) {
        if (choice.index < count) return choice.index;
        return std::nullopt;
    }
    return findItem(items, choice.text);
}

FieldError listError(const ListField& list, const ListChoice& choice) {
    if (choice.index < 0 && choice.text.empty())
        return {std::string(list.label), "no value is chosen"};
    return {std::string(list.label), "\"" + choice.text + "\" is not one of its values"};
}

}  // namespace

std::string FieldError::message() const {
    return field + ": " + description + ". Nothing was written.";
}

std::optional<int> settle(const ListChoice& choice, std::span<const std::string_view> items) {
    return settleIn(choice, items);
}

std::optional<int> settle(const ListChoice& choice, const std::vector<std::string>& items) {
    return settleIn(choice, items);
}

ConversionResult convertPage(const PageState& page) {
    if (page.ovThreshold.index < 0 && page.ovThreshold.text.empty()) return NoValues{};

    const std::array<const ListChoice*, 9> choices{
        &page.ovThreshold, &page.ovHysteresis, &page.ovDelay,
        &page.uvThreshold, &page.uvHysteresis, &page.ocThreshold,
        &page.uvDelay,     &page.scdThreshold, &page.scdDelay};
    Converted out{};
    for (std::size_t i = 0; i < choices.size(); ++i) {
        const ListField& list = *kRegisterLists[i];
        const std::optional<int> code = &list == &kUvDelay ? settle(*choices[i], page.uvDelayItems)
                                                           : settle(*choices[i], list.items);
        // A position beyond the field would spill into its neighbours.
        if (!code || *code >= (1 << list.field.width)) return listError(list, *choices[i]);
        out.settled[i] = *code;
    }
    const std::optional<std::uint8_t> ocDelay = ocDelayCode(page.ocDelayText);
    if (!ocDelay) {
        return FieldError{std::string(kOcDelayLabel),
                          "\"" + page.ocDelayText + "\" is not a delay of 20 to 1600 ms"};
    }

    EepromSettings& s = out.settings;
    auto code = [&](std::size_t i) { return static_cast<std::uint8_t>(out.settled[i]); };
    s.ovThreshold = code(0);
    s.ovHysteresis = code(1);
    s.ovDelay = code(2);
    s.uvThreshold = code(3);
    s.uvHysteresis = code(4);
    s.uvFetDisable = page.disDsgFet;
    s.socDisable = page.disDsgChgFet;
    s.ocThreshold = code(5);
    s.uvDelay = code(6);
    s.ocDelay = *ocDelay;
    s.sor = page.sor;
    s.zvc = page.zvc;
    s.cben = page.cben;
    s.scdThreshold = code(7);
    s.scdDelay = code(8);
    out.image = compose(s);
    return out;
}

}  // namespace eeprom
