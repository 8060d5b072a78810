#include <grp.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <vector>

#include "core/adapters/group_name.h"

namespace {

constexpr std::size_t kLargestLine = 1 << 20;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

// From /etc/group alone, for a statically linked program: the name service would load the
// system's shared modules into it (systemd's, for a group not in the file), which a static
// program cannot do safely. The groups of device nodes are system groups, kept in the file.
std::string groupName(gid_t gid) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen("/etc/group", "re"));
    if (!file) return {};
    group entry{};
    group* found = nullptr;
    std::vector<char> buffer(4096);
    for (;;) {
        const int rc = ::fgetgrent_r(file.get(), &entry, buffer.data(), buffer.size(), &found);
        // A line longer than the buffer is read again with a larger one.
        if (rc == ERANGE && buffer.size() < kLargestLine) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (rc != 0) return {};
        if (found->gr_gid == gid) return found->gr_name;
    }
}
