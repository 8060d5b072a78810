#pragma once
// What the system knows about an I2C bus, for people and logs: its number, the adapter's
// name, and for a USB bridge the USB port path and serial number. Read from sysfs; whatever
// the system does not tell stays empty.

#include <optional>
#include <string>

inline constexpr const char* kSysI2cDevDir = "/sys/class/i2c-dev";

struct BusIdentity {
    std::string bus;      // "i2c-7"
    std::string name;     // the adapter's name, e.g. "i2c-tiny-usb at bus 001 device 004"
    std::string usbPath;  // "1-2.3": the USB device's port path
    std::string serial;   // the USB device's serial number
};

// For "/dev/i2c-N" (or "i2c-N").
BusIdentity identifyBus(const std::string& bus, const std::string& classDir = kSysI2cDevDir);

// The bus as the classic I2C tools accept it: "N", "i2c-N", "/dev/i2c-N" or the adapter's
// exact name, as "/dev/i2c-N"; nullopt when it is none of these. Other /dev paths pass as
// they are.
std::optional<std::string> busDevicePath(const std::string& text,
                                         const std::string& classDir = kSysI2cDevDir);
