#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "core/base/native_path.h"
#include "core/base/part_variables.h"
#include "tests/core/base/test_files.h"

namespace fs = std::filesystem;
using PartVariables::ReadIniString;
using PartVariables::writeDelayFromText;

namespace {

using test_files::readFile;
using test_files::writeFile;

class ReadIniStringTest : public ::testing::Test {
protected:
    void SetUp() override { file = (dir / "VarenthalEV.ini").string(); }

    // The load step's read of the setting.
    std::string writeDelay() { return ReadIniString("system", "Write Delay", "0.07", file); }

    test_files::TestFolder folder{"readini"};
    const fs::path& dir = folder.path();
    std::string file;
};

TEST_F(ReadIniStringTest, AMissingFileIsCreatedWithTheDefault) {
    EXPECT_EQ(writeDelay(), "0.07");
    const std::string eol = newFileLineEnd();  // CR LF on Windows
    EXPECT_EQ(readFile(file), "[system]" + eol + "Write Delay=0.07" + eol);
}

TEST_F(ReadIniStringTest, AnEmptyValueIsRewrittenToTheDefaultKeepingTheRest) {
    writeFile(file, "; mine\r\n[System]\r\nwrite delay=\r\nOther=1\r\n");
    EXPECT_EQ(writeDelay(), "0.07");
    EXPECT_EQ(readFile(file), "; mine\r\n[System]\r\nWrite Delay=0.07\r\nOther=1\r\n");
}

TEST_F(ReadIniStringTest, AMissingKeyJoinsItsSectionAndForeignKeysStay) {
    writeFile(file, "[system]\nTheme=dark\n[window]\nx=5\n");
    EXPECT_EQ(writeDelay(), "0.07");
    EXPECT_EQ(readFile(file), "[system]\nTheme=dark\nWrite Delay=0.07\n[window]\nx=5\n");
}

TEST_F(ReadIniStringTest, PresentValuesLeaveTheFileAsItWas) {
    for (const std::string value : {"0", "2", "-0.2", "0.5 ; comment", "abc"}) {
        const std::string text = "[system]\nWrite Delay=" + value + "\n";
        writeFile(file, text);
        const std::string got = writeDelay();
        EXPECT_EQ(readFile(file), text) << value;
        if (value == "0.5 ; comment") {
            EXPECT_EQ(got, "0.5");
        } else {
            EXPECT_EQ(got, value);
        }
    }
}

TEST_F(ReadIniStringTest, TextBeforeASemicolonIsTrimmedAndWithoutOneKeptAsItIs) {
    writeFile(file, "[s]\na=  x y  ;c;d\nb=x ;\nc=;only\n");
    EXPECT_EQ(ReadIniString("s", "a", "", file), "x y");
    EXPECT_EQ(ReadIniString("s", "b", "", file), "x");
    EXPECT_EQ(ReadIniString("s", "c", "", file), "");
}

TEST_F(ReadIniStringTest, AnEmptyDefaultIsNeverWritten) {
    EXPECT_EQ(ReadIniString("Registers", "Register06", "", file), "");
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(ReadIniStringTest, OverlongValuesAreCutToTheBuffer) {
    writeFile(file, "[system]\nWrite Delay=" + std::string(80, '1') + "\n");
    EXPECT_EQ(writeDelay(), std::string(59, '1'));
}

TEST_F(ReadIniStringTest, FilesItCannotReadGiveTheDefaultAndStayUntouched) {
    const std::string binary("[system]\nWrite Delay=0.5\n\0\xff", 27);
    writeFile(file, binary);
    EXPECT_EQ(writeDelay(), "0.07");
    EXPECT_EQ(readFile(file), binary);

    fs::remove(file);
    fs::create_directory(file);  // a folder where the file should be
    EXPECT_EQ(writeDelay(), "0.07");
    EXPECT_TRUE(fs::is_directory(file));
}

TEST(WriteDelayFromText, FollowsTheLoadStepsRules) {
    EXPECT_FLOAT_EQ(writeDelayFromText("0.07"), 0.07F);
    EXPECT_FLOAT_EQ(writeDelayFromText("0.5"), 0.5F);
    EXPECT_FLOAT_EQ(writeDelayFromText("-0.2"), -0.2F);  // a negative value stays
    EXPECT_FLOAT_EQ(writeDelayFromText("0"), 0.07F);
    EXPECT_FLOAT_EQ(writeDelayFromText("1"), 0.07F);
    EXPECT_FLOAT_EQ(writeDelayFromText("2"), 0.07F);
    EXPECT_FLOAT_EQ(writeDelayFromText("0.999"), 0.999F);
}

TEST(WriteDelayFromText, TextThatIsNoNumberCountsAsTheDefault) {
    for (const char* text : {"", "abc", "0,5", "0.5s", "1e", "nan", "inf", "-inf", "--1", " "}) {
        EXPECT_FLOAT_EQ(writeDelayFromText(text), 0.07F) << '"' << text << '"';
    }
    EXPECT_FLOAT_EQ(writeDelayFromText("+0.25"), 0.25F);
    EXPECT_FLOAT_EQ(writeDelayFromText("5e-2"), 0.05F);
}

}  // namespace
