// Files as the system's private-profile functions read and write them. The expectations
// were recorded from those functions; where they are at hand (the Windows build, under
// wine in CI) every case is also put to them again.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "core/base/ini_file.h"
#include "core/base/part_variables.h"
#include "tests/core/base/system_profile.h"
#include "tests/core/base/test_files.h"

namespace {

using test_files::readFile;
using test_files::writeFile;

struct ReadCase {
    const char* what;
    const char* text;
    const char* section;
    const char* key;
    const char* value;  // as the system reads it; "" for a missing key
};

const ReadCase kReadCases[] = {
    {"CR LF", "[Device]\r\nName=Varenthal\r\n", "Device", "Name", "Varenthal"},
    {"LF", "[Device]\nName=Varenthal\n", "Device", "Name", "Varenthal"},
    {"lone CR", "[Device]\rName=Varenthal\r[Registers]\rRegister06=1F\r", "Registers", "Register06",
     "1F"},
    {"lone CR, last line", "[Device]\rName=Varenthal", "Device", "Name", "Varenthal"},
    {"double quotes", "[Device]\nName=\"Varenthal\"\n", "Device", "Name", "Varenthal"},
    {"single quotes", "[Registers]\nRegister06='1F'\n", "Registers", "Register06", "1F"},
    {"quotes, spaces outside", "[system]\nWrite Delay = \"0.5\" \n", "system", "Write Delay",
     "0.5"},
    {"quotes keep spaces inside", "[s]\nk=\" a \"\n", "s", "k", " a "},
    {"one pair only", "[s]\nk=\"\"a\"\"\n", "s", "k", "\"a\""},
    {"quotes that differ", "[s]\nk=\"a'\n", "s", "k", "\"a'"},
    {"a lone quote", "[s]\nk=\"\n", "s", "k", "\""},
    {"empty quotes", "[s]\nk=\"\"\n", "s", "k", ""},
    {"quote then comment", "[s]\nk=\"1F\" ; note\n", "s", "k", "\"1F\" ; note"},
    {"names ignore case", "[REGISTERS]\nREGISTER06=1F\n", "Registers", "Register06", "1F"},
    {"spaces around the key", "[s]\n  k  =  v  \n", "s", "k", "v"},
    {"first key of two", "[s]\nk=1\nk=2\n", "s", "k", "1"},
    {"only the first section", "[Registers]\nRegister06=11\n[x]\n[Registers]\nRegister07=22\n",
     "Registers", "Register07", ""},
    {"first section's key", "[Registers]\nRegister06=11\n[Registers]\nRegister06=22\n", "Registers",
     "Register06", "11"},
    {"empty value", "[s]\nk=\n", "s", "k", ""},
    {"missing section", "[s]\nk=v\n", "t", "k", ""},
};

class IniCompat : public ::testing::Test {
protected:
    test_files::TestFolder folder{"ini-compat"};
    const std::string file = (folder.path() / "case.ini").string();
};

TEST_F(IniCompat, ReadsAsTheSystemReads) {
    for (const ReadCase& c : kReadCases) {
        SCOPED_TRACE(c.what);
        writeFile(file, c.text);
        const auto doc = IniDocument::load(file);
        ASSERT_TRUE(doc);
        EXPECT_EQ(doc->get(c.section, c.key).value_or(""), c.value);
        if (const auto system = systemProfileString(file, c.section, c.key)) {
            EXPECT_EQ(*system, c.value) << "the recorded expectation no longer holds";
        }
    }
}

// A save over a file: the key lands where the system's reader then finds it, and the file's
// other lines stay as they were.
struct WriteCase {
    const char* what;
    const char* before;
    const char* section;
    const char* key;
    const char* after;  // our file after the write
};

const WriteCase kWriteCases[] = {
    {"lone CR", "[Device]\rName=Varenthal\r[Registers]\rRegister06=11\r", "Registers", "Register06",
     "[Device]\rName=Varenthal\r[Registers]\rRegister06=4A\r"},
    {"into the first section", "[Registers]\nRegister06=11\n[Registers]\nRegister07=22\n",
     "Registers", "Register07",
     "[Registers]\nRegister06=11\nRegister07=4A\n[Registers]\nRegister07=22\n"},
    {"over a quoted value", "[Registers]\r\nRegister06=\"11\"\r\n", "Registers", "Register06",
     "[Registers]\r\nRegister06=4A\r\n"},
};

TEST_F(IniCompat, WritesWhereTheSystemReads) {
    for (const WriteCase& c : kWriteCases) {
        SCOPED_TRACE(c.what);
        writeFile(file, c.before);
        auto doc = IniDocument::load(file);
        ASSERT_TRUE(doc);
        doc->set(c.section, c.key, "4A");
        ASSERT_TRUE(doc->save(file));
        EXPECT_EQ(readFile(file), c.after);
        EXPECT_EQ(IniDocument::load(file)->get(c.section, c.key), "4A");
        if (const auto system = systemProfileString(file, c.section, c.key)) {
            EXPECT_EQ(*system, "4A");
        }
        // The system's writer puts the key in the same place: both readers agree after it.
        writeFile(file, c.before);
        if (systemWriteProfileString(file, c.section, c.key, "4A")) {
            EXPECT_EQ(IniDocument::load(file)->get(c.section, c.key), "4A") << readFile(file);
        }
    }
}

// A new file has the system's own line ends, and the system reads what we wrote.
TEST_F(IniCompat, NewFilesUseTheSystemsLineEnds) {
    EXPECT_EQ(PartVariables::ReadIniString("system", "Write Delay", "0.07", file), "0.07");
    const std::string eol = newFileLineEnd();
    EXPECT_EQ(readFile(file), "[system]" + eol + "Write Delay=0.07" + eol);
    if (const auto system = systemProfileString(file, "system", "Write Delay")) {
        EXPECT_EQ(*system, "0.07");
    }
}

}  // namespace
