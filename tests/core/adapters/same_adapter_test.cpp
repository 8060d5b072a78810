// Finding the same adapter again after its bus number changed.

#include "core/adapters/same_adapter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>

#include "core/link/frm_usb.h"

namespace fs = std::filesystem;

namespace {

struct Case {
    const char* what;
    BusIdentity remembered;
    BusIdentity candidate;
    bool same;
};

TEST(SameAdapter, KnowsABridgeByItsSerialOrPortPathNotItsBus) {
    const Case cases[] = {
        {"new bus, same port", {"i2c-7", "a", "1-2", ""}, {"i2c-9", "a", "1-2", ""}, true},
        {"new bus, same serial, other port",
         {"i2c-7", "a", "1-2", "S1"},
         {"i2c-9", "a", "1-4", "S1"},
         true},
        {"same bus number, other bridge",
         {"i2c-7", "a", "1-2", "S1"},
         {"i2c-7", "a", "1-4", "S2"},
         false},
        {"same kind, other serial, no port",
         {"i2c-7", "a", "", "S1"},
         {"i2c-7", "a", "", "S2"},
         false},
        {"named bus by its bus", {"i2c-3", "b", "", ""}, {"i2c-3", "b", "", ""}, true},
        {"named bus, other bus", {"i2c-3", "b", "", ""}, {"i2c-4", "b", "", ""}, false},
        {"simulator", {"sim", "", "", ""}, {"sim", "", "", ""}, true},
        {"nothing remembered", {"", "", "", ""}, {"sim", "", "", ""}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(sameAdapter(c.remembered, c.candidate), c.same) << c.what;
}

TEST(SameAdapter, DescribesAnAdapterLikeTheBusListing) {
    EXPECT_EQ(describeAdapter({"i2c-7", "i2c-tiny-usb", "1-2.3", "S1"}),
              "i2c-7  1-2.3  i2c-tiny-usb");
    EXPECT_EQ(describeAdapter({"sim", "", "", ""}), "sim");
}

// Lists the given names as free and records what is opened.
class ListingAdapter final : public Talvex {
public:
    explicit ListingAdapter(std::string names, std::string* opened)
        : names_(std::move(names)), opened_(opened) {}
    std::int32_t listFreeDevices(std::int32_t, std::int32_t& count, std::string& names) override {
        names = names_;
        count = names_.empty()
                    ? 0
                    : 1 + static_cast<std::int32_t>(std::count(names_.begin(), names_.end(), ','));
        return 0;
    }
    std::int32_t open(const std::string& name) override {
        *opened_ = name;
        return 0;
    }
    void close() override {}
    std::int32_t transfer(std::int32_t, std::int16_t&, std::int16_t&, std::int16_t&) override {
        return -1;
    }

private:
    std::string names_;
    std::string* opened_;
};

TEST(SameAdapter, ReopensTheRememberedBridgeUnderItsNewBusOnly) {
    // i2c-0 is on the board, i2c-8 is bridge 1-2.3 come back, i2c-9 another bridge.
    const fs::path root = fs::temp_directory_path() / "same_adapter_test";
    const fs::path classDir = root / "class/i2c-dev";
    fs::remove_all(root);
    for (const auto& [bus, port] : {std::pair{"i2c-8", "1-2.3"}, std::pair{"i2c-9", "1-4"}}) {
        const fs::path usb = root / "devices/usb1" / port;
        fs::create_directories(usb / bus);
        std::ofstream(usb / "idVendor") << "0403\n";
        fs::create_directories(classDir / bus);
        fs::create_directory_symlink(usb / bus, classDir / bus / "device");
    }
    fs::create_directories(root / "devices/pci0/i2c-0");
    fs::create_directories(classDir / "i2c-0");
    fs::create_directory_symlink(root / "devices/pci0/i2c-0", classDir / "i2c-0/device");

    std::string opened;
    frmUSB bus(std::make_unique<ListingAdapter>("/dev/i2c-0,/dev/i2c-9,/dev/i2c-8", &opened));
    const BusIdentity remembered{"i2c-7", "bridge", "1-2.3", ""};
    EXPECT_TRUE(reopenSameAdapter(bus, remembered, classDir.string()));
    EXPECT_EQ(opened, "/dev/i2c-8");
    EXPECT_EQ(bus.openedName(), "/dev/i2c-8");

    opened.clear();
    EXPECT_FALSE(reopenSameAdapter(bus, {"i2c-7", "bridge", "2-1", ""}, classDir.string()));
    EXPECT_EQ(opened, "");  // no other adapter is taken instead

    // A bridge named by its bus at start-up (the adapter lists only that name) is found too.
    frmUSB named(std::make_unique<ListingAdapter>("/dev/i2c-7", &opened));
    EXPECT_TRUE(reopenSameAdapter(named, remembered, classDir.string()));
    EXPECT_EQ(opened, "/dev/i2c-8");
    fs::remove_all(root);
}

}  // namespace
