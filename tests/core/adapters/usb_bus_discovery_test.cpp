#include "core/adapters/usb_bus_discovery.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "fake_i2c_dev_system.h"
#include "core/adapters/i2c_dev_adapter.h"

namespace {

const std::string kClass = "/sys/class/i2c-dev";
const std::string kUsbDevice = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2";

// i2c-1 on the motherboard's SMBus controller, i2c-4 and i2c-12 on USB bridges, i2c-7 with
// a dangling link, and one entry that is not a bus.
FakeI2cDevSystem sysfsWithMixedBuses() {
    FakeI2cDevSystem sys;
    sys.directories[kClass] = {"i2c-12", "i2c-1", "i2c-4", "i2c-7", "power"};
    sys.links[kClass + "/i2c-1/device"] = "/sys/devices/pci0000:00/0000:00:1f.4/i2c-1";
    sys.files.insert("/sys/devices/pci0000:00/0000:00:1f.4/vendor");
    sys.links[kClass + "/i2c-4/device"] = kUsbDevice + "/1-2:1.0/i2c-4";
    sys.links[kClass + "/i2c-12/device"] = "/sys/devices/usb3/3-1/3-1:1.1/i2c-12";
    sys.files.insert(kUsbDevice + "/idVendor");
    sys.files.insert("/sys/devices/usb3/3-1/idVendor");
    return sys;
}

}  // namespace

TEST(UsbBusDiscovery, ListsOnlyBusesUnderUsbDevicesInBusOrder) {
    FakeI2cDevSystem sys = sysfsWithMixedBuses();
    EXPECT_EQ(findUsbI2cBuses(sys), (std::vector<std::string>{"/dev/i2c-4", "/dev/i2c-12"}));
}

TEST(UsbBusDiscovery, AdapterListsUsbBusesCommaSeparatedAndOpensNothing) {
    auto sys = std::make_shared<FakeI2cDevSystem>(sysfsWithMixedBuses());
    I2cDevAdapter adapter("", "", sys, nullptr);
    std::int32_t count = -1;
    std::string names = "stale";
    EXPECT_EQ(adapter.listFreeDevices(1, count, names), 0);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(names, "/dev/i2c-4,/dev/i2c-12");
    EXPECT_TRUE(sys->calls.empty());
}

TEST(UsbBusDiscovery, MotherboardBusAloneGivesAnEmptyListWithAReason) {
    auto sys = std::make_shared<FakeI2cDevSystem>();
    sys->directories[kClass] = {"i2c-0"};
    sys->links[kClass + "/i2c-0/device"] = "/sys/devices/i2c-0";  // as i2c-stub hangs
    I2cDevAdapter adapter("", "", sys, nullptr);
    std::int32_t count = -1;
    std::string names;
    EXPECT_EQ(adapter.listFreeDevices(1, count, names), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(names, "");
    ASSERT_EQ(sys->diagnostics.size(), 1u);
    EXPECT_EQ(sys->diagnostics[0].rfind("varenthal: no I2C bus of a USB adapter", 0), 0u);
    EXPECT_NE(adapter.lastError().find("--adapter /dev/i2c-N"), std::string::npos);
}

TEST(UsbBusDiscovery, WithoutTheI2cDevClassTheReasonNamesTheModule) {
    auto sys = std::make_shared<FakeI2cDevSystem>();
    I2cDevAdapter adapter("", "", sys, nullptr);
    std::int32_t count = -1;
    std::string names;
    EXPECT_EQ(adapter.listFreeDevices(1, count, names), 0);
    EXPECT_EQ(count, 0);
    EXPECT_NE(adapter.lastError().find("i2c-dev module"), std::string::npos);
}

TEST(UsbBusDiscovery, AnExplicitBusIsTakenAsAskedWithoutLookingAtSysfs) {
    auto sys = std::make_shared<FakeI2cDevSystem>(sysfsWithMixedBuses());
    I2cDevAdapter adapter("/dev/i2c-1", "", sys, nullptr);
    std::int32_t count = 0;
    std::string names;
    EXPECT_EQ(adapter.listFreeDevices(1, count, names), 0);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(names, "/dev/i2c-1");
    EXPECT_EQ(adapter.open(names), 0);
}

// The real file-system calls against a sysfs-like tree with real symbolic links.
TEST(UsbBusDiscovery, RealSystemFollowsLinksAndWalksUpToTheUsbDevice) {
    namespace fs = std::filesystem;
    const fs::path root =
        fs::temp_directory_path() / ("varenthal-sysfs-" + std::to_string(::getpid()));
    fs::remove_all(root);
    const fs::path usbDevice = root / "devices/usb1/1-2";
    fs::create_directories(usbDevice / "1-2:1.0/i2c-5");
    fs::create_directories(root / "devices/platform/i2c-0");
    std::ofstream(usbDevice / "idVendor") << "04d8\n";
    const fs::path classDir = root / "class/i2c-dev";
    fs::create_directories(classDir / "i2c-5");
    fs::create_directories(classDir / "i2c-0");
    fs::create_directory_symlink("../../../devices/usb1/1-2/1-2:1.0/i2c-5",
                                 classDir / "i2c-5/device");
    fs::create_directory_symlink("../../../devices/platform/i2c-0", classDir / "i2c-0/device");

    auto sys = makeLinuxI2cDevSystem();
    const auto buses = findUsbI2cBuses(*sys, classDir.string());
    fs::remove_all(root);
    EXPECT_EQ(buses, std::vector<std::string>{"/dev/i2c-5"});
}
