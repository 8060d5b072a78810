#pragma once
// Value encodings of the EEPROM configuration registers 0x06..0x0A: which list item or text
// stands for which bit pattern. The EEPROM page, the preview, the `.ee` files and the
// command-line tool all read these tables; nothing else restates them.
//
// Contents:
//   EepromImage, EepromSettings      the five bytes, and the same as field codes
//   ListField, kOvThreshold...       every drop-down list with its items in order
//   FlagField, kDisDsgFet...         every flag check box with its caption and bit
//   decode / compose                 bytes <-> codes (whole image or per register)
//   uvDelayItems                     the 16 items of the UV delay list (FS, cell count, suffix)
//   ocDelayMs / ocDelayText          OCDD code -> delay shown
//   ocDelayCode                      delay text -> OCDD code (conversion rule)
//   snapOcDelayText                  the delay box's focus-loss snapping
//   parseNumber / leadingNumber      "is it a number" and "its leading number"
//   roundHalfEven, cellCountFromText

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/chip/register_map.h"

namespace eeprom {

// Slot i holds the byte for register 0x06 + i.
using EepromImage = std::array<std::uint8_t, chip::kEepromCount>;

// The five bytes as field codes. A list code is the position of its item in the list.
struct EepromSettings {
    std::uint8_t ovThreshold = 0;   // OV_CFG bits 2..0
    std::uint8_t ovHysteresis = 0;  // OV_CFG bits 4..3
    std::uint8_t ovDelay = 0;       // OV_CFG bits 7..5
    std::uint8_t uvThreshold = 0;   // UV_LEVEL bits 3..0
    std::uint8_t uvHysteresis = 0;  // UV_LEVEL bits 5..4
    bool uvFetDisable = false;      // UV_LEVEL bit 6
    bool socDisable = false;        // UV_LEVEL bit 7
    std::uint8_t ocThreshold = 0;   // OCV_UV DELAY bits 3..0
    std::uint8_t uvDelay = 0;       // OCV_UV DELAY bits 7..4
    std::uint8_t ocDelay = 0;       // OCDELAY bits 4..0, two scales (ocDelayMs)
    bool sor = false;               // OCDELAY bit 5
    bool zvc = false;               // OCDELAY bit 6
    bool cben = false;              // OCDELAY bit 7
    std::uint8_t scdThreshold = 0;  // SCD_CFG bits 3..0
    std::uint8_t scdDelay = 0;      // SCD_CFG bits 7..4

    bool operator==(const EepromSettings&) const = default;
};

// A drop-down list of the page.
struct ListField {
    std::string_view control;                 // widget name, e.g. "cboOvThresh"
    std::string_view label;                   // caption of the label in front of the list
    std::string_view unit;                    // unit label behind it ("" when none)
    chip::Field field;                        // where its code sits; address 0 for cboCellCount
    std::span<const std::string_view> items;  // empty for cboUvDelay (see uvDelayItems)
};

// A flag check box of the page: checked = bit set.
struct FlagField {
    std::string_view control;
    std::string_view caption;  // as shown; the page doubles '&' for its widget
    chip::Field field;
};

// The group frames, in register order.
inline constexpr std::array<std::string_view, chip::kEepromCount> kFrameCaptions{
    "OV CFG     Addr 0x06", "UV LEVEL     Addr 0x07", "OC and UV DELAY     Addr 0x08",
    "OCD CFG     Addr 0x09", "SCD CFG     Addr 0x0a"};

extern const ListField kOvThreshold;             // cboOvThresh "4.15".."4.50" V
extern const ListField kOvHysteresis;            // cboOvHyst "100","200","300","0" mV
extern const ListField kOvDelay;                 // cboOvDetDelay "500".."2250" ms
extern const ListField kUvThreshold;             // cboUvThresh "1.40".."2.90" V
extern const ListField kUvHysteresis;            // cboUvHyst "0.2","0.4","0.8","1.2" V
extern const ListField kOcThreshold;             // cboOcThresh "10".."85" mV
extern const ListField kUvDelay;                 // cboUvDelay, items built by uvDelayItems
extern const ListField kScdThreshold;            // cboShortCircuitThresh "60".."135" mV
extern const ListField kScdDelay;                // cboShortCircuitDelay "0".."900" us
extern const ListField kCellCount;               // cboCellCount "5".."10", no register
inline constexpr int kCellCountDefaultItem = 5;  // "10"

// Every list that stands for a register field, in register and bit order.
extern const std::array<const ListField*, 9> kRegisterLists;

extern const FlagField kDisDsgFet;     // chkDisDsgFet, UV_LEVEL bit 6
extern const FlagField kDisDsgChgFet;  // chkDisDsgChgFet, UV_LEVEL bit 7
extern const FlagField kSor;           // chkSOR, OCDELAY bit 5
extern const FlagField kZvc;           // chkZvc, OCDELAY bit 6
extern const FlagField kCben;          // chkCben, OCDELAY bit 7
extern const std::array<const FlagField*, 5> kFlags;

// The FS box writes OUTPUT_CNTRL bit 7 at once; it is not an EEPROM bit.
inline constexpr std::string_view kFsBitControl = "chkFsBit";
inline constexpr std::string_view kFsBitCaption = "FS Bit Set (Not an EEPROM bit)";
inline constexpr std::string_view kCellCountNote =
    "(Note: not a register value, it is only used to determine UV delay time when FS = 1)";
inline constexpr std::string_view kOcDelayControl = "txtOcDelay";
inline constexpr std::string_view kOcDelayLabel = "Over Current Delay Time";
inline constexpr std::string_view kOcDelayUnit = "ms";
inline constexpr int kOcDelayMaxLength = 4;

// Bytes <-> codes. Every byte decodes; compose masks nothing away because decode never
// yields a code wider than its field (see validCodes).
EepromSettings decode(const EepromImage& image);
EepromImage compose(const EepromSettings& settings);
// True when every code fits its field, so that compose loses nothing.
bool validCodes(const EepromSettings& settings);

std::uint8_t composeOvCfg(std::uint8_t ov, std::uint8_t ovh, std::uint8_t ovd);
std::uint8_t composeUvLevel(std::uint8_t uv, std::uint8_t uvh, bool uvFetDis, bool socDis);
std::uint8_t composeOcvUvDelay(std::uint8_t ocd, std::uint8_t uvd);
std::uint8_t composeOcDelay(std::uint8_t ocdd, bool sor, bool zvc, bool cben);
std::uint8_t composeScdCfg(std::uint8_t scd, std::uint8_t scdd);

// The suffix of UV delay items 8..15: "(alt)" after the page is initialised, "-" after a
// cell-count choice or an FS click. Files and users have seen both, so both stay.
enum class UvDelaySuffix { Alt, Dash };
inline constexpr std::string_view suffixText(UvDelaySuffix s) {
    return s == UvDelaySuffix::Alt ? "(alt)" : "-";
}
// The 16 items of cboUvDelay; item k is UVD code k. With FS set, items 0..7 are computed
// from the cell count (p * n / 8 for p = 0, 2, 4, 8, 10, 12, 16, 24), shortest decimal text
// with a point; otherwise they read "1000".."8000". Items 8..15 are "1000".."8000" + suffix.
std::vector<std::string> uvDelayItems(bool fsSet, int cellCount, UvDelaySuffix suffix);
// One computed FS item (k = 0..7) as text: "0", "1.25", "15".
std::string fsUvDelayText(int k, int cellCount);

// Over-current delay: codes 0..15 are 20..320 ms in steps of 20, codes 16..31 are
// 100..1600 ms in steps of 100.
inline constexpr int kOcDelayCodes = 32;
int ocDelayMs(std::uint8_t code);
std::string ocDelayText(std::uint8_t code);
// The code that a delay text stands for at conversion: t < 400 gives (t - 20) / 20, t >= 400
// gives (t - 100) / 100 + 16, taken to the nearest integer, halves to even. So "100", "200"
// and "300" come back as codes 4, 9 and 14. nullopt when the text is not a number or the
// code falls outside 0..31 (it would spill into the SOR/ZVC/CBEN bits).
std::optional<std::uint8_t> ocDelayCode(std::string_view text);
// Focus-loss snapping of the delay box: 20..320 in steps of 20 or 400..1600 in steps of
// 100 ("30" -> "40", "339" -> "320", "360" -> "400", "-5" -> "20"). nullopt when the text is
// not a number (the box then shows kOcDelayNotNumeric).
std::optional<std::string> snapOcDelayText(std::string_view text);
inline constexpr std::string_view kOcDelayNotNumeric =
    "Only numeric values should be entered for Overcurrent Delay Time.";

// A decimal number with optional spaces around it and an optional sign ("40", " -5",
// "12.5", "1e3"); nullopt for anything else, the empty text included.
std::optional<double> parseNumber(std::string_view text);
// The number at the start of a text ("7 cells" -> 7), 0 when there is none.
double leadingNumber(std::string_view text);
// Nearest integer, halves to the even one (2.5 -> 2, 3.5 -> 4, -0.5 -> 0).
double roundHalfEven(double value);
// The cell count from cboCellCount's text: its leading number, halves to even.
int cellCountFromText(std::string_view text);

// The position of the first item equal to `text` (case-sensitive), nullopt when none.
std::optional<int> findItem(std::span<const std::string_view> items, std::string_view text);
std::optional<int> findItem(const std::vector<std::string>& items, std::string_view text);

}  // namespace eeprom
