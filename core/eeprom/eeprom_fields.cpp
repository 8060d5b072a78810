#include "core/eeprom/eeprom_fields.h"

#include <charconv>
#include <cmath>

namespace eeprom {
namespace {

using chip::Field;
using namespace std::string_view_literals;

constexpr std::array kOvThresholdItems{"4.15"sv, "4.20"sv, "4.25"sv, "4.30"sv,
                                       "4.35"sv, "4.40"sv, "4.45"sv, "4.50"sv};
// "0" is last: code 3 means no hysteresis.
constexpr std::array kOvHysteresisItems{"100"sv, "200"sv, "300"sv, "0"sv};
constexpr std::array kOvDelayItems{"500"sv,  "750"sv,  "1000"sv, "1250"sv,
                                   "1500"sv, "1750"sv, "2000"sv, "2250"sv};
constexpr std::array kUvThresholdItems{"1.40"sv, "1.50"sv, "1.60"sv, "1.70"sv, "1.80"sv, "1.90"sv,
                                       "2.00"sv, "2.10"sv, "2.20"sv, "2.30"sv, "2.40"sv, "2.50"sv,
                                       "2.60"sv, "2.70"sv, "2.80"sv, "2.90"sv};
constexpr std::array kUvHysteresisItems{"0.2"sv, "0.4"sv, "0.8"sv, "1.2"sv};
constexpr std::array kOcThresholdItems{"10"sv, "15"sv, "20"sv, "25"sv, "30"sv, "35"sv,
                                       "40"sv, "45"sv, "50"sv, "55"sv, "60"sv, "65"sv,
                                       "70"sv, "75"sv, "80"sv, "85"sv};
constexpr std::array kScdThresholdItems{"60"sv,  "65"sv,  "70"sv,  "75"sv,  "80"sv,  "85"sv,
                                        "90"sv,  "95"sv,  "100"sv, "105"sv, "110"sv, "115"sv,
                                        "120"sv, "125"sv, "130"sv, "135"sv};
constexpr std::array kScdDelayItems{"0"sv,   "60"sv,  "120"sv, "180"sv, "240"sv, "300"sv,
                                    "360"sv, "420"sv, "480"sv, "540"sv, "600"sv, "660"sv,
                                    "720"sv, "780"sv, "840"sv, "900"sv};
constexpr std::array kCellCountItems{"5"sv, "6"sv, "7"sv, "8"sv, "9"sv, "10"sv};

// UV delay steps with FS clear; with FS set items 0..7 scale with the cell count.
constexpr std::array<int, 8> kUvDelayMs{1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000};
constexpr std::array<double, 8> kFsUvDelayP{0, 2, 4, 8, 10, 12, 16, 24};

std::string_view trimSpaces(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// Parses a number at the start of `s`; returns how many characters it took (0: none).
std::size_t parsePrefix(std::string_view s, double& value) {
    std::size_t skip = 0;
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        skip = 1;
    }
    // from_chars accepts neither a '+' nor "inf"/"nan" words we would not call numbers.
    if (skip == s.size() || !(std::isdigit(static_cast<unsigned char>(s[skip])) || s[skip] == '.'))
        return 0;
    const char* first = s.data() + skip;
    const auto [end, ec] = std::from_chars(first, s.data() + s.size(), value);
    if (ec != std::errc() || !std::isfinite(value)) return 0;
    if (negative) value = -value;
    return static_cast<std::size_t>(end - s.data());
}

}  // namespace

const ListField kOvThreshold{"cboOvThresh", "Cell Over Voltage Threshold", "V", chip::kOvThreshold,
                             kOvThresholdItems};
const ListField kOvHysteresis{"cboOvHyst", "Hysterisis Voltage", "mV", chip::kOvHysteresis,
                              kOvHysteresisItems};
const ListField kOvDelay{"cboOvDetDelay", "Detection Delay Time", "ms", chip::kOvDelay,
                         kOvDelayItems};
const ListField kUvThreshold{"cboUvThresh", "Cell Under Voltage Threshold", "V", chip::kUvThreshold,
                             kUvThresholdItems};
const ListField kUvHysteresis{"cboUvHyst", "Hysterisis Voltage", "V", chip::kUvHysteresis,
                              kUvHysteresisItems};
const ListField kOcThreshold{"cboOcThresh", "Over Current Voltage Threshold", "mV",
                             chip::kOcThreshold, kOcThresholdItems};
const ListField kUvDelay{"cboUvDelay", "Under Voltage Delay Time", "ms", chip::kUvDelay, {}};
const ListField kScdThreshold{"cboShortCircuitThresh", "Short Circuit Voltage Threshold", "mV",
                              chip::kScdThreshold, kScdThresholdItems};
const ListField kScdDelay{"cboShortCircuitDelay", "Short Circuit Delay Time", "us", chip::kScdDelay,
                          kScdDelayItems};
const ListField kCellCount{"cboCellCount", "Cell Count", "", Field{0, 0, 0}, kCellCountItems};

const std::array<const ListField*, 9> kRegisterLists{&kOvThreshold, &kOvHysteresis, &kOvDelay,
                                                     &kUvThreshold, &kUvHysteresis, &kOcThreshold,
                                                     &kUvDelay,     &kScdThreshold, &kScdDelay};

const FlagField kDisDsgFet{"chkDisDsgFet", "Disable Automatic DSG FET Control in UV",
                           chip::kUvFetDisable};
const FlagField kDisDsgChgFet{"chkDisDsgChgFet", "Disable Automatic DSG&CHG Control in OC/SC",
                              chip::kSocDisable};
const FlagField kSor{"chkSOR", "Enable SC/OC Recovery condition with Stand Alone", chip::kSor};
const FlagField kZvc{"chkZvc", "Enable GPOD 0V/Pre-charge mode with Stand Alone", chip::kZvc};
const FlagField kCben{"chkCben", "Enable Cell Balancing function", chip::kCben};
const std::array<const FlagField*, 5> kFlags{&kDisDsgFet, &kDisDsgChgFet, &kSor, &kZvc, &kCben};

std::uint8_t composeOvCfg(std::uint8_t ov, std::uint8_t ovh, std::uint8_t ovd) {
    return static_cast<std::uint8_t>(ov + 8 * ovh + 32 * ovd);
}
std::uint8_t composeUvLevel(std::uint8_t uv, std::uint8_t uvh, bool uvFetDis, bool socDis) {
    return static_cast<std::uint8_t>(uv + 16 * uvh + 64 * uvFetDis + 128 * socDis);
}
std::uint8_t composeOcvUvDelay(std::uint8_t ocd, std::uint8_t uvd) {
    return static_cast<std::uint8_t>(ocd + 16 * uvd);
}
std::uint8_t composeOcDelay(std::uint8_t ocdd, bool sor, bool zvc, bool cben) {
    return static_cast<std::uint8_t>(ocdd + 32 * sor + 64 * zvc + 128 * cben);
}
std::uint8_t composeScdCfg(std::uint8_t scd, std::uint8_t scdd) {
    return static_cast<std::uint8_t>(scd + 16 * scdd);
}

EepromSettings decode(const EepromImage& image) {
    const std::uint8_t ov = image[0], uv = image[1], ocvUv = image[2], oc = image[3],
                       scd = image[4];
    EepromSettings s;
    s.ovThreshold = chip::kOvThreshold.get(ov);
    s.ovHysteresis = chip::kOvHysteresis.get(ov);
    s.ovDelay = chip::kOvDelay.get(ov);
    s.uvThreshold = chip::kUvThreshold.get(uv);
    s.uvHysteresis = chip::kUvHysteresis.get(uv);
    s.uvFetDisable = chip::kUvFetDisable.get(uv) != 0;
    s.socDisable = chip::kSocDisable.get(uv) != 0;
    s.ocThreshold = chip::kOcThreshold.get(ocvUv);
    s.uvDelay = chip::kUvDelay.get(ocvUv);
    s.ocDelay = chip::kOcDelay.get(oc);
    s.sor = chip::kSor.get(oc) != 0;
    s.zvc = chip::kZvc.get(oc) != 0;
    s.cben = chip::kCben.get(oc) != 0;
    s.scdThreshold = chip::kScdThreshold.get(scd);
    s.scdDelay = chip::kScdDelay.get(scd);
    return s;
}

bool validCodes(const EepromSettings& s) {
    auto fits = [](const Field& f, unsigned code) { return code < (1U << f.width); };
    return fits(chip::kOvThreshold, s.ovThreshold) && fits(chip::kOvHysteresis, s.ovHysteresis) &&
           fits(chip::kOvDelay, s.ovDelay) && fits(chip::kUvThreshold, s.uvThreshold) &&
           fits(chip::kUvHysteresis, s.uvHysteresis) && fits(chip::kOcThreshold, s.ocThreshold) &&
           fits(chip::kUvDelay, s.uvDelay) && fits(chip::kOcDelay, s.ocDelay) &&
           fits(chip::kScdThreshold, s.scdThreshold) && fits(chip::kScdDelay, s.scdDelay);
}

EepromImage compose(const EepromSettings& s) {
    return {composeOvCfg(s.ovThreshold, s.ovHysteresis, s.ovDelay),
            composeUvLevel(s.uvThreshold, s.uvHysteresis, s.uvFetDisable, s.socDisable),
            composeOcvUvDelay(s.ocThreshold, s.uvDelay),
            composeOcDelay(s.ocDelay, s.sor, s.zvc, s.cben),
            composeScdCfg(s.scdThreshold, s.scdDelay)};
}

std::string fsUvDelayText(int k, int cellCount) {
    const double p = kFsUvDelayP.at(static_cast<std::size_t>(k));
    const double value = p / 8 * (cellCount - 5) + p / 1.6;
    // Fifteen significant digits hide the binary noise of p / 1.6 (2 / 1.6 is not exactly
    // 1.25 in binary); the general format drops trailing zeros. to_chars ignores the locale,
    // so the separator is always a point.
    char buffer[32];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    std::string text(buffer, result.ptr);
    if (text == "-0") text = "0";
    return text;
}

std::vector<std::string> uvDelayItems(bool fsSet, int cellCount, UvDelaySuffix suffix) {
    std::vector<std::string> items;
    items.reserve(16);
    for (int k = 0; k < 8; ++k) {
        items.push_back(fsSet ? fsUvDelayText(k, cellCount)
                              : std::to_string(kUvDelayMs[static_cast<std::size_t>(k)]));
    }
    for (const int ms : kUvDelayMs)
        items.push_back(std::to_string(ms) + std::string(suffixText(suffix)));
    return items;
}

int ocDelayMs(std::uint8_t code) {
    return code <= 15 ? 20 * code + 20 : 100 * code - 1500;
}

std::string ocDelayText(std::uint8_t code) {
    return std::to_string(ocDelayMs(code));
}

std::optional<std::uint8_t> ocDelayCode(std::string_view text) {
    const std::optional<double> t = parseNumber(text);
    if (!t) return std::nullopt;
    const double code = roundHalfEven(*t >= 400 ? (*t - 100) / 100 + 16 : (*t - 20) / 20);
    if (code < 0 || code >= kOcDelayCodes) return std::nullopt;
    return static_cast<std::uint8_t>(code);
}

std::optional<std::string> snapOcDelayText(std::string_view text) {
    const std::optional<double> v = parseNumber(text);
    if (!v) return std::nullopt;
    double ms;
    if (*v < 20) {
        ms = 20;
    } else if (*v < 360) {
        ms = 20 * roundHalfEven(*v / 20);
        if (ms > 320) ms = 320;
    } else if (*v > 1600) {
        ms = 1600;
    } else {
        ms = 100 * roundHalfEven(*v / 100);
    }
    return std::to_string(static_cast<int>(ms));
}

std::optional<double> parseNumber(std::string_view text) {
    const std::string_view t = trimSpaces(text);
    double value = 0;
    const std::size_t used = parsePrefix(t, value);
    if (used == 0 || used != t.size()) return std::nullopt;
    return value;
}

double leadingNumber(std::string_view text) {
    std::string_view t = text;
    while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
    double value = 0;
    return parsePrefix(t, value) == 0 ? 0.0 : value;
}

double roundHalfEven(double value) {
    const double down = std::floor(value);
    const double diff = value - down;
    if (diff < 0.5) return down;
    if (diff > 0.5) return down + 1;
    return std::fmod(down, 2.0) == 0 ? down : down + 1;
}

int cellCountFromText(std::string_view text) {
    const double n = roundHalfEven(leadingNumber(text));
    // The count is a byte; a text beyond it cannot come from the fixed list.
    if (n < 0) return 0;
    if (n > 255) return 255;
    return static_cast<int>(n);
}

std::optional<int> findItem(std::span<const std::string_view> items, std::string_view text) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i] == text) return static_cast<int>(i);
    }
    return std::nullopt;
}

std::optional<int> findItem(const std::vector<std::string>& items, std::string_view text) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i] == text) return static_cast<int>(i);
    }
    return std::nullopt;
}

}  // namespace eeprom
