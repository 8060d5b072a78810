// What every system must give the program's files: read-only targets refused and left as
// they are, names with spaces and letters beyond ASCII, log records that land whole.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/base/ini_file.h"
#include "core/base/native_path.h"
#include "core/base/output_file.h"
#include "core/base/part_variables.h"
#include "core/base/safe_file.h"
#include "tests/core/base/test_files.h"

namespace fs = std::filesystem;

namespace {

using test_files::readFile;
using test_files::writeFile;

class PlatformFiles : public ::testing::Test {
protected:
    test_files::TestFolder folder{"platform-files"};
    const fs::path& dir = folder.path();
};

void makeReadOnly(const fs::path& file, bool readOnly) {
    const auto write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    fs::permissions(file, write, readOnly ? fs::perm_options::remove : fs::perm_options::add);
}

TEST_F(PlatformFiles, EveryWriterRefusesAReadOnlyFileAndLeavesIt) {
    struct Writer {
        const char* what;
        std::function<bool(const std::string&, std::string&)> write;
    };
    const std::vector<Writer> writers{
        {"replaced whole (settings, .ee, sim-state, backup)",
         [](const std::string& path, std::string& error) {
             return writeFileAtomically(path, "new\n", &error);
         }},
        {"appended (log)", [](const std::string& path,
                              std::string& error) { return appendRecord(path, "new\n", error); }},
        {"emptied and written (recording)",
         [](const std::string& path, std::string& error) {
             OutputFile file;
             return file.open(path, OutputFile::Mode::replace, error) &&
                    file.write("new\n", error) && file.close(error);
         }},
    };
    const fs::path file = dir / "locked.txt";
    for (const Writer& w : writers) {
        SCOPED_TRACE(w.what);
        writeFile(file, "old\n");
        makeReadOnly(file, true);
        std::string error;
        EXPECT_FALSE(w.write(file.string(), error));
        EXPECT_EQ(error, "read-only file");
        EXPECT_EQ(checkAppendable(file.string()), "read-only file");
        makeReadOnly(file, false);
        EXPECT_EQ(readFile(file), "old\n");
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    }
}

TEST_F(PlatformFiles, AReadOnlySettingsFileIsNamedAndKept) {
    const fs::path file = dir / "VarenthalEV.ini";
    writeFile(file, "[system]\r\nWrite Delay=\r\n");
    makeReadOnly(file, true);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(PartVariables::ReadIniString("system", "Write Delay", "0.07", file.string()), "0.07");
    const std::string said = ::testing::internal::GetCapturedStderr();
    makeReadOnly(file, false);
    EXPECT_NE(said.find("'" + file.string() + "' not written: read-only file"), std::string::npos)
        << said;
    EXPECT_EQ(readFile(file), "[system]\r\nWrite Delay=\r\n");
}

TEST_F(PlatformFiles, NamesWithSpacesAndLettersBeyondAscii) {
    // "Prüfstand Ölwanne/Café 1.ini" in UTF-8, as the program carries names.
    const std::string folderName =
        "Pr\xC3\xBC"
        "fstand \xC3\x96lwanne";
    const std::string path = utf8Path(dir) + "/" + folderName + "/Caf\xC3\xA9 1.ini";
    fs::create_directories(nativePath(utf8Path(dir) + "/" + folderName));
    IniDocument doc = IniDocument::parse("");
    doc.set("Device", "Name", "Varenthal");
    ASSERT_TRUE(doc.save(path));
    // The system sees the very letters, not their bytes in some code page.
    EXPECT_TRUE(fs::exists(dir / fs::path(u8"Pr\u00FCfstand \u00D6lwanne") /
                           fs::path(u8"Caf\u00E9 1.ini")));
    EXPECT_EQ(IniDocument::load(path)->get("Device", "Name"), "Varenthal");
    EXPECT_EQ(checkAppendable(path), "");
    EXPECT_TRUE(specialFileReason(path).empty());
}

TEST_F(PlatformFiles, RecordsOfSeveralWritersLandWhole) {
    const std::string log = (dir / "runs.jsonl").string();
    const std::string body(3000, 'x');  // more than one small write of most systems
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([&, t] {
            for (int i = 0; i < 25; ++i) {
                std::string why;
                EXPECT_TRUE(appendRecord(log, std::to_string(t) + body + "\n", why)) << why;
            }
        });
    }
    for (std::thread& w : writers) w.join();
    std::istringstream in(readFile(log));
    int lines = 0;
    for (std::string line; std::getline(in, line); ++lines) {
        EXPECT_EQ(line.size(), body.size() + 1);
        EXPECT_EQ(line.substr(1), body);
    }
    EXPECT_EQ(lines, 100);
}

}  // namespace
