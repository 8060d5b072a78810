#include "core/base/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/core/base/test_files.h"
#include "tests/support/test_host.h"

namespace fs = std::filesystem;

namespace {

using test_files::readFile;
using test_files::writeFile;

class IniFileTest : public ::testing::Test {
protected:
    test_files::TestFolder folder{"ini"};
    const fs::path& dir = folder.path();
};

TEST(IniDocument, NamesMatchWithoutRegardToCaseAndValuesAreTrimmed) {
    const IniDocument doc = IniDocument::parse("[System]\nWRITE DELAY =  0.5  \n[other]\nx=1\n");
    EXPECT_EQ(doc.get("system", "Write Delay"), "0.5");
    EXPECT_EQ(doc.get("SYSTEM", "write delay"), "0.5");
    EXPECT_EQ(doc.get("other", "X"), "1");
    EXPECT_FALSE(doc.get("system", "x").has_value());  // keys belong to their section
    EXPECT_FALSE(doc.get("missing", "x").has_value());
}

TEST(IniDocument, ChangingAKeyRewritesOnlyItsLine) {
    const std::string before =
        "; settings of the evaluation program\n"
        "[system]\n"
        "Colour=blue ; a key of another program\n"
        "\n"
        "write delay=0.3\n"
        "# another comment\n"
        "[Extra]\n"
        "Write Delay=9\n";
    IniDocument doc = IniDocument::parse(before);
    EXPECT_EQ(doc.text(), before);  // untouched, the text comes back byte for byte
    doc.set("System", "Write Delay", "0.07");
    std::string after = before;
    after.replace(after.find("write delay=0.3"), 15, "Write Delay=0.07");
    EXPECT_EQ(doc.text(), after);
}

TEST(IniDocument, NewKeysGoAfterTheLastKeyOfTheirSectionAndNewSectionsAtTheEnd) {
    IniDocument doc = IniDocument::parse("[a]\nx=1\n; note\n[b]\ny=2");
    doc.set("A", "z", "3");
    doc.set("c", "k", "v");
    EXPECT_EQ(doc.text(), "[a]\nx=1\nz=3\n; note\n[b]\ny=2\n\n[c]\nk=v\n");
}

TEST(IniDocument, KeepsCrLfLineEndingsAndAByteOrderMark) {
    IniDocument doc = IniDocument::parse("\xEF\xBB\xBF[system]\r\nWrite Delay=\r\nfoo=bar\r\n");
    EXPECT_EQ(doc.get("system", "write delay"), "");
    EXPECT_EQ(doc.get("system", "foo"), "bar");
    doc.set("system", "Write Delay", "0.07");
    EXPECT_EQ(doc.text(), "\xEF\xBB\xBF[system]\r\nWrite Delay=0.07\r\nfoo=bar\r\n");
}

TEST_F(IniFileTest, LoadTellsMissingFromUnreadable) {
    const auto missing = IniDocument::load((dir / "none.ini").string());
    ASSERT_TRUE(missing.has_value());
    EXPECT_EQ(missing->text(), "");

    std::string why;
    EXPECT_FALSE(IniDocument::load(dir.string(), &why).has_value());  // a directory
    EXPECT_FALSE(why.empty());

    writeFile(dir / "binary.ini", std::string("[system]\nWrite Delay=0.5\n\0\x01\x02", 28));
    EXPECT_FALSE(IniDocument::load((dir / "binary.ini").string()).has_value());

    writeFile(dir / "huge.ini", "[system]\nx=" + std::string(3 << 20, 'a') + "\n");
    EXPECT_FALSE(IniDocument::load((dir / "huge.ini").string()).has_value());
}

TEST_F(IniFileTest, SaveReplacesTheFileAndKeepsItsPermissions) {
    const fs::path file = dir / "s.ini";
    writeFile(file, "[system]\nWrite Delay=0.5\n");
    if (!test_host::posixFileModes()) GTEST_SKIP() << "no POSIX modes on this system";
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    IniDocument doc = *IniDocument::load(file.string());
    doc.set("system", "Write Delay", "0.07");
    ASSERT_TRUE(doc.save(file.string()));
    EXPECT_EQ(readFile(file), "[system]\nWrite Delay=0.07\n");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(IniFileTest, AFailedSaveLeavesTheOldFileAlone) {
    const fs::path file = dir / "sub" / "s.ini";  // its folder does not exist
    std::string why;
    EXPECT_FALSE(writeFileAtomically(file.string(), "x", &why));
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(fs::exists(file));
}

}  // namespace
