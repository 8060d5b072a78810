#include "core/eeprom/eeprom_fields.h"

#include <gtest/gtest.h>

#include "core/eeprom/page_conversion.h"

using namespace eeprom;

namespace {
std::vector<std::string> texts(const ListField& list) {
    return {list.items.begin(), list.items.end()};
}
std::string itemText(const ListField& list, int code) {
    return std::string(list.items[static_cast<std::size_t>(code)]);
}
}  // namespace

TEST(EepromLists, HoldEveryItemInOrder) {
    EXPECT_EQ(texts(kOvThreshold), (std::vector<std::string>{"4.15", "4.20", "4.25", "4.30", "4.35",
                                                             "4.40", "4.45", "4.50"}));
    EXPECT_EQ(texts(kOvHysteresis), (std::vector<std::string>{"100", "200", "300", "0"}));
    EXPECT_EQ(texts(kOvDelay), (std::vector<std::string>{"500", "750", "1000", "1250", "1500",
                                                         "1750", "2000", "2250"}));
    EXPECT_EQ(texts(kUvHysteresis), (std::vector<std::string>{"0.2", "0.4", "0.8", "1.2"}));
    EXPECT_EQ(texts(kCellCount), (std::vector<std::string>{"5", "6", "7", "8", "9", "10"}));
    EXPECT_EQ(itemText(kCellCount, kCellCountDefaultItem), "10");
    // The 16-item lists run in even steps.
    ASSERT_EQ(kUvThreshold.items.size(), 16U);
    ASSERT_EQ(kOcThreshold.items.size(), 16U);
    ASSERT_EQ(kScdThreshold.items.size(), 16U);
    ASSERT_EQ(kScdDelay.items.size(), 16U);
    for (int k = 0; k < 16; ++k) {
        char uv[8];
        std::snprintf(uv, sizeof uv, "%d.%02d", (140 + 10 * k) / 100, (140 + 10 * k) % 100);
        EXPECT_EQ(itemText(kUvThreshold, k), uv);
        EXPECT_EQ(itemText(kOcThreshold, k), std::to_string(10 + 5 * k));
        EXPECT_EQ(itemText(kScdThreshold, k), std::to_string(60 + 5 * k));
        EXPECT_EQ(itemText(kScdDelay, k), std::to_string(60 * k));
    }
}

TEST(EepromLists, EveryFieldCodeHasAnItem) {
    for (const ListField* list : kRegisterLists) {
        if (list == &kUvDelay) continue;
        EXPECT_EQ(list->items.size(), 1U << list->field.width) << list->control;
    }
    EXPECT_EQ(uvDelayItems(false, 10, UvDelaySuffix::Alt).size(), 1U << kUvDelay.field.width);
}

TEST(EepromBytes, OvCfgExtremesDecodeToFirstAndLastItems) {
    const EepromSettings zero = decode({0x00, 0, 0, 0, 0});
    EXPECT_EQ(itemText(kOvThreshold, zero.ovThreshold), "4.15");
    EXPECT_EQ(itemText(kOvHysteresis, zero.ovHysteresis), "100");
    EXPECT_EQ(itemText(kOvDelay, zero.ovDelay), "500");
    const EepromSettings full = decode({0xFF, 0, 0, 0, 0});
    EXPECT_EQ(itemText(kOvThreshold, full.ovThreshold), "4.50");
    EXPECT_EQ(itemText(kOvHysteresis, full.ovHysteresis), "0");
    EXPECT_EQ(itemText(kOvDelay, full.ovDelay), "2250");
    EXPECT_EQ(compose(zero)[0], 0x00);
    EXPECT_EQ(compose(full)[0], 0xFF);
}

TEST(EepromBytes, ListOnlyRegistersRoundTripEveryByte) {
    for (int b = 0; b <= 255; ++b) {
        const auto v = static_cast<std::uint8_t>(b);
        for (int slot : {0, 1, 2, 4}) {
            EepromImage image{};
            image[static_cast<std::size_t>(slot)] = v;
            const EepromSettings s = decode(image);
            EXPECT_TRUE(validCodes(s));
            EXPECT_EQ(compose(s), image) << "slot " << slot << " byte " << b;
        }
    }
}

TEST(EepromBytes, FieldsSitWhereTheRegisterMapSays) {
    EXPECT_EQ(composeOvCfg(5, 2, 3), 5 + 2 * 8 + 3 * 32);
    EXPECT_EQ(composeUvLevel(9, 3, true, false), 9 + 48 + 64);
    EXPECT_EQ(composeOcvUvDelay(15, 10), 15 + 160);
    EXPECT_EQ(composeOcDelay(19, true, false, true), 19 + 32 + 128);
    EXPECT_EQ(composeScdCfg(1, 15), 1 + 240);
    const EepromSettings s = decode({0, 0xC0, 0, 0xE0, 0});
    EXPECT_TRUE(s.uvFetDisable && s.socDisable && s.sor && s.zvc && s.cben);
    EXPECT_FALSE(validCodes(EepromSettings{.ovHysteresis = 4}));
    EXPECT_FALSE(validCodes(EepromSettings{.ocDelay = 32}));
}

TEST(UvDelayItems, FsClearAndSuffixes) {
    const auto alt = uvDelayItems(false, 10, UvDelaySuffix::Alt);
    const auto dash = uvDelayItems(false, 10, UvDelaySuffix::Dash);
    for (int k = 0; k < 8; ++k) {
        const std::string ms = std::to_string(1000 * (k + 1));
        EXPECT_EQ(alt[static_cast<std::size_t>(k)], ms);
        EXPECT_EQ(alt[static_cast<std::size_t>(k + 8)], ms + "(alt)");
        EXPECT_EQ(dash[static_cast<std::size_t>(k + 8)], ms + "-");
    }
}

TEST(UvDelayItems, FsSetForEveryCellCount) {
    const std::map<int, std::vector<std::string>> expected{
        {5, {"0", "1.25", "2.5", "5", "6.25", "7.5", "10", "15"}},
        {6, {"0", "1.5", "3", "6", "7.5", "9", "12", "18"}},
        {7, {"0", "1.75", "3.5", "7", "8.75", "10.5", "14", "21"}},
        {8, {"0", "2", "4", "8", "10", "12", "16", "24"}},
        {9, {"0", "2.25", "4.5", "9", "11.25", "13.5", "18", "27"}},
        {10, {"0", "2.5", "5", "10", "12.5", "15", "20", "30"}},
    };
    for (const auto& [n, items] : expected) {
        const auto got = uvDelayItems(true, n, UvDelaySuffix::Dash);
        EXPECT_EQ(std::vector<std::string>(got.begin(), got.begin() + 8), items) << "n=" << n;
        EXPECT_EQ(got[8], "1000-");
        EXPECT_EQ(got[15], "8000-");
    }
}

TEST(OcDelay, CodesShowOnTwoScales) {
    EXPECT_EQ(ocDelayText(0x00), "20");
    EXPECT_EQ(ocDelayText(0x0F), "320");
    EXPECT_EQ(ocDelayText(0x10), "100");
    EXPECT_EQ(ocDelayText(0x12), "300");
    EXPECT_EQ(ocDelayText(0x13), "400");
    EXPECT_EQ(ocDelayText(0x1F), "1600");
}

TEST(OcDelay, TextsComeBackAsCodes) {
    EXPECT_EQ(ocDelayCode("20"), 0);
    EXPECT_EQ(ocDelayCode("320"), 15);
    // 100, 200 and 300 come back on the 20 ms scale.
    EXPECT_EQ(ocDelayCode("100"), 4);
    EXPECT_EQ(ocDelayCode("200"), 9);
    EXPECT_EQ(ocDelayCode("300"), 14);
    EXPECT_EQ(ocDelayCode("400"), 0x13);
    EXPECT_EQ(ocDelayCode("1600"), 0x1F);
    EXPECT_EQ(ocDelayCode("30"), 0);  // 0.5 goes to even
    EXPECT_EQ(ocDelayCode("50"), 2);  // 1.5 goes to even
    // Every code shown comes back as itself or as the same delay on the 20 ms scale.
    for (int c = 0; c < kOcDelayCodes; ++c) {
        const auto code = ocDelayCode(ocDelayText(static_cast<std::uint8_t>(c)));
        ASSERT_TRUE(code);
        EXPECT_EQ(ocDelayMs(*code), ocDelayMs(static_cast<std::uint8_t>(c)));
    }
}

TEST(OcDelay, TextsWithoutAnEncodingAreRefused) {
    for (const char* bad : {"", "abc", "12a", "0", "-5", "1700", "9999"}) {
        EXPECT_FALSE(ocDelayCode(bad)) << '"' << bad << '"';
    }
}

TEST(OcDelay, FocusLossSnapsToValidSteps) {
    const std::map<std::string, std::string> cases{
        {"30", "40"},   {"50", "40"},     {"339", "320"},   {"360", "400"}, {"450", "400"},
        {"550", "600"}, {"2000", "1600"}, {"-5", "20"},     {"19", "20"},   {"320", "320"},
        {"359", "320"}, {"1600", "1600"}, {"1650", "1600"}, {" 70 ", "80"}, {"12.5", "20"}};
    for (const auto& [in, out] : cases) EXPECT_EQ(snapOcDelayText(in), out) << '"' << in << '"';
    for (const char* bad : {"abc", "", " ", "1-2", "--5"}) {
        EXPECT_FALSE(snapOcDelayText(bad)) << '"' << bad << '"';
    }
}

TEST(Numbers, HalvesGoToEven) {
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(2.51), 3);
    EXPECT_EQ(roundHalfEven(-0.5), 0);
    EXPECT_EQ(roundHalfEven(-1.5), -2);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
}

TEST(Numbers, CellCountTakesTheLeadingNumber) {
    EXPECT_EQ(cellCountFromText("7"), 7);
    EXPECT_EQ(cellCountFromText("10"), 10);
    EXPECT_EQ(cellCountFromText("8 cells"), 8);
    EXPECT_EQ(cellCountFromText("6.5"), 6);
    EXPECT_EQ(cellCountFromText("cells"), 0);
    EXPECT_EQ(cellCountFromText(""), 0);
}

namespace {
PageState pageOf(const EepromImage& image) {
    const EepromSettings s = decode(image);
    PageState p;
    p.ovThreshold.index = s.ovThreshold;
    p.ovHysteresis.index = s.ovHysteresis;
    p.ovDelay.index = s.ovDelay;
    p.uvThreshold.index = s.uvThreshold;
    p.uvHysteresis.index = s.uvHysteresis;
    p.disDsgFet = s.uvFetDisable;
    p.disDsgChgFet = s.socDisable;
    p.ocThreshold.index = s.ocThreshold;
    p.uvDelayItems = uvDelayItems(false, 10, UvDelaySuffix::Alt);
    p.uvDelay.index = s.uvDelay;
    p.ocDelayText = ocDelayText(s.ocDelay);
    p.sor = s.sor;
    p.zvc = s.zvc;
    p.cben = s.cben;
    p.scdThreshold.index = s.scdThreshold;
    p.scdDelay.index = s.scdDelay;
    return p;
}
}  // namespace

TEST(PageConversion, GivesBackTheBytesThePageShows) {
    for (const EepromImage image :
         {EepromImage{0x00, 0x00, 0x00, 0x00, 0x00}, EepromImage{0xFF, 0xFF, 0xFF, 0x0F, 0xFF},
          EepromImage{0x2B, 0x5A, 0x97, 0x13, 0xC4}}) {
        const auto result = convertPage(pageOf(image));
        ASSERT_TRUE(std::holds_alternative<Converted>(result));
        EXPECT_EQ(std::get<Converted>(result).image, image);
    }
}

TEST(PageConversion, OcDelayOnTheLongScaleComesBackShort) {
    const auto as = [](EepromImage image) {
        return std::get<Converted>(convertPage(pageOf(image))).image[3];
    };
    EXPECT_EQ(as({0, 0, 0, 0x10, 0}), 0x04);
    EXPECT_EQ(as({0, 0, 0, 0x30, 0}), 0x24);  // with SOR
    EXPECT_EQ(as({0, 0, 0, 0x13, 0}), 0x13);
    EXPECT_EQ(as({0, 0, 0, 0xFF, 0}), 0xFF);
}

TEST(PageConversion, UnfilledPageHasNoValues) {
    PageState p;
    EXPECT_TRUE(std::holds_alternative<NoValues>(convertPage(p)));
}

TEST(PageConversion, ListsWithoutAChoiceSettleByTextOrFail) {
    PageState p = pageOf({0x00, 0, 0, 0, 0});
    p.ovHysteresis = {-1, "300"};
    p.uvDelay = {-1, "3000(alt)"};
    auto result = convertPage(p);
    ASSERT_TRUE(std::holds_alternative<Converted>(result));
    const Converted& c = std::get<Converted>(result);
    EXPECT_EQ(c.settled[1], 2);
    EXPECT_EQ(c.settled[6], 10);
    EXPECT_EQ(c.image[0], 2 * 8);
    EXPECT_EQ(c.image[2], 10 * 16);

    p.scdDelay = {-1, "61"};
    result = convertPage(p);
    ASSERT_TRUE(std::holds_alternative<FieldError>(result));
    EXPECT_EQ(std::get<FieldError>(result).field, "Short Circuit Delay Time");
    EXPECT_NE(std::get<FieldError>(result).message().find("\"61\""), std::string::npos);
}

TEST(PageConversion, OcDelayWithoutAnEncodingNamesTheField) {
    for (const char* bad : {"abc", "", "1700", "5"}) {
        PageState p = pageOf({0, 0, 0, 0, 0});
        p.ocDelayText = bad;
        const auto result = convertPage(p);
        ASSERT_TRUE(std::holds_alternative<FieldError>(result)) << bad;
        EXPECT_EQ(std::get<FieldError>(result).field, "Over Current Delay Time");
    }
}
