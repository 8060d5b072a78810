#include <grp.h>

#include <vector>

#include "core/adapters/group_name.h"

// Through the name service: every source the system lists for groups.
std::string groupName(gid_t gid) {
    group entry{};
    group* found = nullptr;
    std::vector<char> buffer(4096);
    if (::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) {
        return {};
    }
    return found->gr_name;
}
