#include <gtest/gtest.h>

#include "core/link/miscellaneous.h"

using Miscellaneous::ByteToHex;
using Miscellaneous::HexToByte;

TEST(ByteToHex, PadsToTwoUpperCaseDigitsAndKeepsLongerValues) {
    EXPECT_EQ(ByteToHex(0), "00");
    EXPECT_EQ(ByteToHex(10), "0A");
    EXPECT_EQ(ByteToHex(255), "FF");
    EXPECT_EQ(ByteToHex(256), "100");
}

TEST(HexToByte, AcceptsUpToTwoDigitsOfEitherCase) {
    EXPECT_EQ(HexToByte("ff"), 255);
    EXPECT_EQ(HexToByte("0A"), 10);
    EXPECT_EQ(HexToByte("a"), 10);
    EXPECT_EQ(HexToByte(""), 0);
}

TEST(HexToByte, RefusesAnythingElse) {
    for (const char* bad : {"100", "G0", "-1", " 1", "1 ", "0x", "g"}) {
        EXPECT_EQ(HexToByte(bad), -1) << '"' << bad << '"';
    }
}
