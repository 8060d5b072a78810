// Bus names as the classic I2C tools take them, and what sysfs tells about a USB bridge's
// bus, on a sysfs tree built in a temporary folder.

#include "core/adapters/bus_identity.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace fs = std::filesystem;

namespace {

class BusIdentityTest : public ::testing::Test {
protected:
    void SetUp() override {
        // i2c-7 hangs under USB device 1-2.3 (the folder with idVendor); i2c-0 does not.
        const fs::path usb = root / "devices/usb1/1-2.3";
        fs::create_directories(usb / "1-2.3:1.0/i2c-7");
        fs::create_directories(root / "devices/pci0/i2c-0");
        write(usb / "idVendor", "0403\n");
        write(usb / "serial", "FT12AB\n");
        fs::create_directories(classDir / "i2c-7");
        fs::create_directories(classDir / "i2c-0");
        fs::create_directory_symlink(usb / "1-2.3:1.0/i2c-7", classDir / "i2c-7/device");
        fs::create_directory_symlink(root / "devices/pci0/i2c-0", classDir / "i2c-0/device");
        write(classDir / "i2c-7/name", "i2c-tiny-usb at bus 001 device 004\n");
        write(classDir / "i2c-0/name", "SMBus I801 adapter\n");
    }
    void TearDown() override { fs::remove_all(root); }
    static void write(const fs::path& p, const char* text) { std::ofstream(p) << text; }

    // One tree per process: ctest runs the two tests at once, and the seed comes from the clock.
    const fs::path root =
        fs::temp_directory_path() / ("bus_identity_" + std::to_string(::getpid()));
    const fs::path classDir = root / "class/i2c-dev";
};

TEST_F(BusIdentityTest, TakesEveryFormOfABusName) {
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"7", "/dev/i2c-7"},
        {"i2c-7", "/dev/i2c-7"},
        {"/dev/i2c-7", "/dev/i2c-7"},
        {"i2c-tiny-usb at bus 001 device 004", "/dev/i2c-7"},
        {"SMBus I801 adapter", "/dev/i2c-0"},
        {"/dev/other", "/dev/other"},
        {"i2c-tiny-usb", std::nullopt},  // a name is matched whole
        {"i2c-", std::nullopt},
        {"-7", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(busDevicePath(text, classDir.string()), expected) << text;
    }
}

TEST_F(BusIdentityTest, NamesTheUsbPathAndSerialOfABridgesBus) {
    const BusIdentity usb = identifyBus("/dev/i2c-7", classDir.string());
    EXPECT_EQ(usb.bus, "i2c-7");
    EXPECT_EQ(usb.name, "i2c-tiny-usb at bus 001 device 004");
    EXPECT_EQ(usb.usbPath, "1-2.3");
    EXPECT_EQ(usb.serial, "FT12AB");
    const BusIdentity board = identifyBus("i2c-0", classDir.string());
    EXPECT_EQ(board.name, "SMBus I801 adapter");
    EXPECT_EQ(board.usbPath, "");
    EXPECT_EQ(identifyBus("/dev/i2c-9", classDir.string()).name, "");
}

}  // namespace
