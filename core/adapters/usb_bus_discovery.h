#pragma once
// Finds the I2C buses that belong to USB-to-I2C bridges. Buses of the motherboard, graphics
// cards and the like are never listed, so the program never writes to them by itself.

#include <string>
#include <vector>

#include "core/adapters/i2c_dev_system.h"

inline constexpr const char* kI2cDevClassDir = "/sys/class/i2c-dev";

// "/dev/i2c-N" of every bus whose sysfs device lies under a USB device, in bus order.
std::vector<std::string> findUsbI2cBuses(I2cDevSystem& system,
                                         const std::string& classDir = kI2cDevClassDir);

// Whether a resolved sysfs device path lies under a USB device (a folder with `idVendor`).
bool liesUnderUsbDevice(I2cDevSystem& system, const std::string& devicePath);
