// The Windows side of the system seams: the settings folder, the program file, the
// read-only attribute.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <filesystem>

#include "core/base/native_path.h"
#include "core/base/program_file_date.h"
#include "core/base/safe_file.h"
#include "core/base/settings_path.h"
#include "tests/core/base/test_files.h"

namespace fs = std::filesystem;

namespace {

class WindowsFiles : public ::testing::Test {
protected:
    test_files::TestFolder folder{"windows-files"};
    const fs::path& dir = folder.path();
};

TEST_F(WindowsFiles, SettingsLiveInTheRoamingApplicationData) {
    const std::wstring appData = dir.wstring();
    ASSERT_EQ(_wputenv_s(L"APPDATA", appData.c_str()), 0);
    const std::string path = settingsFilePath("VarenthalEV.ini");
    EXPECT_EQ(path, utf8Path(dir) + "\\Varenthal\\VarenthalEV.ini");
    EXPECT_TRUE(fs::is_directory(dir / "Varenthal"));
}

TEST_F(WindowsFiles, TheProgramFileIsVarenthalExeInTheProgramsFolder) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::string path = programFilePath();
    EXPECT_EQ(path, utf8Path(fs::path(self).parent_path()) + "\\Varenthal.exe");
    // A missing program file gets the zero date and the system's words for it. (The build
    // folder may hold the real Varenthal.exe, so the empty test folder stands in for it.)
    const fs::path file = dir / "Varenthal.exe";
    const FileDateResult missing = programFileDate(utf8Path(file));
    EXPECT_EQ(missing.date, "12/30/1899");
    EXPECT_FALSE(missing.error.empty());

    test_files::writeFile(file, "MZ");
    SYSTEMTIME when{2024, 3, 0, 7, 12, 0, 0, 0};  // noon, so that no time zone moves the day
    FILETIME local{}, utc{};
    SystemTimeToFileTime(&when, &local);
    LocalFileTimeToFileTime(&local, &utc);
    HANDLE h = CreateFileW(file.wstring().c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                           0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SetFileTime(h, nullptr, nullptr, &utc);
    CloseHandle(h);
    const FileDateResult dated = programFileDate(utf8Path(file));
    EXPECT_EQ(dated.date, "03/07/2024");
    EXPECT_EQ(dated.error, "");
}

TEST_F(WindowsFiles, TheReadOnlyAttributeIsRefusedAndDevicesAreNoFiles) {
    const fs::path file = dir / "pack.ee";
    test_files::writeFile(file, "[Device]\r\nName=Varenthal\r\n");
    SetFileAttributesW(file.wstring().c_str(), FILE_ATTRIBUTE_READONLY);
    std::string why;
    EXPECT_FALSE(writeFileAtomically(utf8Path(file), "x", &why));
    EXPECT_EQ(why, "read-only file");
    SetFileAttributesW(file.wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(test_files::readFile(file), "[Device]\r\nName=Varenthal\r\n");
    for (const char* device : {"NUL", "con.ee", "COM1", "\\\\.\\pipe\\x"}) {
        EXPECT_EQ(specialFileReason(device), "not a regular file") << device;
    }
}

}  // namespace
