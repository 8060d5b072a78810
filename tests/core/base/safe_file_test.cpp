// Every file the program writes goes through one routine: a symbolic link keeps pointing at
// the file it named, permissions and owner survive, a new file follows the umask, and a FIFO
// or device is refused without being opened.

#include "core/base/safe_file.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "core/base/ini_file.h"
#include "core/eeprom/eeprom_file.h"
#include "core/sim/sim_state_file.h"
#include "test_files.h"

namespace {

using test_files::readFile;
using test_files::writeFile;
namespace fs = std::filesystem;

// One writer of the program: true on success, else a reason in `error`.
struct Writer {
    const char* name;
    std::function<bool(const std::string& path, std::string& error)> write;
    const char* mark;  // a text the written file holds
};

const std::vector<Writer>& writers() {
    static const std::vector<Writer> all{
        {"settings",
         [](const std::string& path, std::string& error) {
             IniDocument doc = IniDocument::parse("[system]\nWrite Delay=0.05\n");
             return doc.save(path, &error);
         },
         "Write Delay=0.05"},
        {".ee",
         [](const std::string& path, std::string& error) {
             const auto why = eeprom::writeEeFile(path, {0x4A, 1, 2, 3, 4});
             if (why) error = *why;
             return !why;
         },
         "Register06=4A"},
        {"sim-state",
         [](const std::string& path, std::string& error) {
             return saveSimState(path, {0x4A, 1, 2, 3, 4}, &error);
         },
         "06=4A"},
    };
    return all;
}

int openDescriptors() {
    int count = 0;
    DIR* dir = ::opendir("/proc/self/fd");
    while (::readdir(dir)) ++count;
    ::closedir(dir);
    return count;
}

mode_t modeOf(const fs::path& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

class UmaskScope {
public:
    explicit UmaskScope(mode_t mask) : old_(::umask(mask)) {}
    ~UmaskScope() { ::umask(old_); }

private:
    mode_t old_;
};

TEST(SafeFile, EveryWriterKeepsLinksModesOwnersAndRefusesSpecialFiles) {
    const test_files::TestFolder folder("safe-file");
    const int descriptors = openDescriptors();
    for (const Writer& w : writers()) {
        SCOPED_TRACE(w.name);
        const fs::path dir = folder.path() / w.name;
        fs::create_directories(dir / "links");
        std::string error;

        // A relative symbolic link in another folder: the target is replaced, the link stays.
        const fs::path target = dir / "target";
        writeFile(target, "old\n");
        ::chmod(target.c_str(), 0640);
        const fs::path link = dir / "links" / "link";
        fs::create_symlink("../target", link);
        ASSERT_TRUE(w.write(link.string(), error)) << error;
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(fs::read_symlink(link), "../target");
        EXPECT_NE(readFile(target).find(w.mark), std::string::npos);
        EXPECT_EQ(modeOf(target), 0640U);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 2) << "no temporary left";

        // A new file gets what the umask leaves.
        for (const auto& [mask, mode] : {std::pair{077U, 0600U}, std::pair{022U, 0644U}}) {
            const UmaskScope scope(mask);
            const fs::path fresh = dir / ("new" + std::to_string(mask));
            ASSERT_TRUE(w.write(fresh.string(), error)) << error;
            EXPECT_EQ(modeOf(fresh), mode);
        }

        // Only root can hand a file to someone else, so only root can check it is kept.
        if (::geteuid() == 0) {
            ASSERT_EQ(::chown(target.c_str(), 4321, 4321), 0);
            ASSERT_TRUE(w.write(target.string(), error)) << error;
            struct stat st {};
            ::stat(target.c_str(), &st);
            EXPECT_EQ(st.st_uid, 4321U);
            EXPECT_EQ(st.st_gid, 4321U);
        }

        // A FIFO is refused at once, left as it is, and never opened (that would block).
        const fs::path fifo = dir / "fifo";
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        error.clear();
        EXPECT_FALSE(w.write(fifo.string(), error));
        EXPECT_EQ(error, "not a regular file");
        EXPECT_TRUE(fs::is_fifo(fifo));
        EXPECT_FALSE(w.write((dir / "no-folder" / "x").string(), error));
    }
    EXPECT_FALSE(IniDocument::load((folder.path() / "settings" / "fifo").string()));
    EXPECT_EQ(openDescriptors(), descriptors) << "a descriptor was left open";
}

}  // namespace
