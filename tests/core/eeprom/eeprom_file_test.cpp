#include "core/eeprom/eeprom_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/base/native_path.h"
#include "tests/core/base/test_files.h"
#include "tests/support/test_host.h"

using namespace eeprom;

namespace {

EeReadResult readText(std::string_view text) {
    return readEeDocument(IniDocument::parse(text));
}

EepromImage imageOf(const EeReadResult& r) {
    EXPECT_TRUE(std::holds_alternative<EepromImage>(r));
    return std::holds_alternative<EepromImage>(r) ? std::get<EepromImage>(r) : EepromImage{};
}

class EeFileOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("ee_file_test_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        path = (dir / "config.ee").string();
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    void put(std::string_view text) { std::ofstream(path, std::ios::binary) << text; }
    std::string contents() const {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::filesystem::path dir;
    std::string path;
};

}  // namespace

TEST(EeFileRead, RealWorldFileWithCrlfCommentsAndLowercaseHex) {
    const auto r = readText(
        "; saved on the bench\r\n"
        "[Device]\r\n"
        "Name=Varenthal\r\n"
        "\r\n"
        "[Registers]\r\n"
        "Register06=1f ; comment after a value\r\n"
        "Register07=5\r\n"
        "register08=ab\r\n"
        "Register09 = 05\r\n"
        "Register0A=\r\n"
        "[Bench]\r\n"
        "Operator=someone\r\n");
    EXPECT_EQ(imageOf(r), (EepromImage{0x1F, 0x05, 0xAB, 0x05, 0x00}));
}

TEST(EeFileRead, MissingKeysAndSectionReadAsZero) {
    EXPECT_EQ(imageOf(readText("[Device]\nName=Varenthal\n")), (EepromImage{}));
    EXPECT_EQ(imageOf(readText("[Device]\nName=Varenthal\n[Registers]\nRegister09=13\n")),
              (EepromImage{0, 0, 0, 0x13, 0}));
}

TEST(EeFileRead, NameMustMatchExactly) {
    for (const char* text : {"[Device]\nName=varenthal\n", "[Device]\nName=VARENTHAL\n",
                             "[Registers]\nRegister06=00\n", "", "[Device]\nName=Other\n"}) {
        const auto r = readText(text);
        ASSERT_TRUE(std::holds_alternative<EeFileError>(r)) << text;
        EXPECT_EQ(std::get<EeFileError>(r).message(), "Invalid File");
    }
    // A comment after the name is not part of it.
    EXPECT_TRUE(std::holds_alternative<EepromImage>(readText("[Device]\nName=Varenthal ; x\n")));
}

TEST(EeFileRead, BadValueRefusesTheWholeFile) {
    for (const char* bad : {"100", "0x12", "-1", "G1", "1 2"}) {
        const auto r = readText(std::string("[Device]\nName=Varenthal\n[Registers]\nRegister06=11\n"
                                            "Register08=") +
                                bad + "\n");
        ASSERT_TRUE(std::holds_alternative<EeFileError>(r)) << bad;
        const std::string msg = std::get<EeFileError>(r).message();
        EXPECT_EQ(msg.rfind("Error Opening EEPROM File: ", 0), 0U) << msg;
        EXPECT_NE(msg.find("Register08"), std::string::npos) << msg;
    }
}

TEST(EeFileRead, RegisterKeysAreUpperCaseHex) {
    EXPECT_EQ(registerKey(0), "Register06");
    EXPECT_EQ(registerKey(4), "Register0A");
}

TEST_F(EeFileOnDisk, NewFileHasDeviceThenRegisters) {
    ASSERT_FALSE(writeEeFile(path, {0x00, 0x0A, 0xFF, 0x13, 0xC4}));
    std::string expected =
        "[Device]\nName=Varenthal\n\n[Registers]\nRegister06=00\nRegister07=0A\n"
        "Register08=FF\nRegister09=13\nRegister0A=C4\n";
    if (std::string(newFileLineEnd()) == "\r\n") {  // Windows
        for (std::size_t at = 0; (at = expected.find('\n', at)) != std::string::npos; at += 2)
            expected.insert(at, 1, '\r');
    }
    EXPECT_EQ(contents(), expected);
    EXPECT_EQ(imageOf(readEeFile(path)), (EepromImage{0x00, 0x0A, 0xFF, 0x13, 0xC4}));
}

TEST_F(EeFileOnDisk, SavingOverAFileKeepsItsOtherContents) {
    put("; bench notes\r\n[Registers]\r\nRegister07=ff ; old\r\nExtra=1\r\n[Bench]\r\nOp=x\r\n");
    ASSERT_FALSE(writeEeFile(path, {1, 2, 3, 4, 5}));
    ASSERT_FALSE(writeEeFile(path, {1, 2, 3, 4, 5}));
    const std::string text = contents();
    EXPECT_NE(text.find("; bench notes\r\n"), std::string::npos);
    EXPECT_NE(text.find("Extra=1\r\n"), std::string::npos);
    EXPECT_NE(text.find("[Bench]\r\nOp=x\r\n"), std::string::npos);
    EXPECT_EQ(text.find("ff"), std::string::npos);
    EXPECT_EQ(imageOf(readEeFile(path)), (EepromImage{1, 2, 3, 4, 5}));
    // The second save changed nothing.
    ASSERT_FALSE(writeEeFile(path, {1, 2, 3, 4, 5}));
    EXPECT_EQ(contents(), text);
}

TEST_F(EeFileOnDisk, FailedSaveIsReportedAndLeavesNoFile) {
    const std::string missingFolder = (dir / "gone" / "config.ee").string();
    EXPECT_TRUE(writeEeFile(missingFolder, {1, 2, 3, 4, 5}));
    EXPECT_FALSE(std::filesystem::exists(dir / "gone"));
}

TEST_F(EeFileOnDisk, FailedSaveLeavesTheFileAsItWas) {
    if (!test_host::modesBindUs())
        GTEST_SKIP() << "read-only folders do not stop this user's writes";
    put("[Device]\nName=Varenthal\n");
    std::filesystem::permissions(
        dir, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const auto error = writeEeFile(path, {1, 2, 3, 4, 5});
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all);
    EXPECT_TRUE(error);
    EXPECT_EQ(contents(), "[Device]\nName=Varenthal\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
}

TEST_F(EeFileOnDisk, OnlyOrdinaryFilesExist) {
    EXPECT_FALSE(isRegularFile(path));
    EXPECT_FALSE(isRegularFile(dir.string()));
    EXPECT_FALSE(isRegularFile(""));
    put("x");
    EXPECT_TRUE(isRegularFile(path));
}
