// The host calls as varenthal-cli links them: nothing here may load a shared object.
#include <gtest/gtest.h>
#include <sys/types.h>

#include <cerrno>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "core/adapters/gpio_system.h"
#include "core/adapters/group_name.h"

namespace {

// The shared objects mapped into this process.
std::set<std::string> sharedObjects() {
    std::ifstream maps("/proc/self/maps");
    std::set<std::string> objects;
    for (std::string line; std::getline(maps, line);) {
        const auto path = line.find('/');
        if (path != std::string::npos && line.find(".so", path) != std::string::npos) {
            objects.insert(line.substr(path));
        }
    }
    return objects;
}

}  // namespace

// Every group of /etc/group by its first name, and a group id the file lacks as unknown.
TEST(StaticHost, NamesGroupsFromEtcGroup) {
    std::ifstream file("/etc/group");
    ASSERT_TRUE(file) << "no /etc/group";
    std::map<gid_t, std::string> expected;
    for (std::string line; std::getline(file, line);) {
        std::istringstream fields(line);
        std::string name, password, gid;
        if (std::getline(fields, name, ':') && std::getline(fields, password, ':') &&
            std::getline(fields, gid, ':') && !gid.empty()) {
            expected.emplace(static_cast<gid_t>(std::stoul(gid)), name);
        }
    }
    ASSERT_FALSE(expected.empty());
    gid_t absent = 4000000000u;
    while (expected.count(absent)) ++absent;
    const auto before = sharedObjects();
    for (const auto& [gid, name] : expected) EXPECT_EQ(groupName(gid), name) << gid;
    EXPECT_EQ(groupName(absent), "");
    EXPECT_EQ(sharedObjects(), before);  // no name service module loaded
}

// libgpiod is linked in: an absent chip reads as absent without loading it.
TEST(StaticHost, ReachesLibgpiodWithoutLoadingIt) {
    const std::shared_ptr<GpioSystem> real = makeGpioSystem();
    if (!real) GTEST_SKIP() << "built without libgpiod";
    const auto before = sharedObjects();
    EXPECT_EQ(real->openChip("gpiochip4095"), -ENOENT);
    EXPECT_EQ(sharedObjects(), before);
}
