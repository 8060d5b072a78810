#include "core/adapters/usb_bus_discovery.h"

#include <algorithm>

namespace {

// N of "i2c-N", or -1 for any other entry.
long busNumber(const std::string& entry) {
    const std::string prefix = "i2c-";
    if (entry.rfind(prefix, 0) != 0 || entry.size() == prefix.size() || entry.size() > 12) {
        return -1;
    }
    const std::string digits = entry.substr(prefix.size());
    if (digits.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::stol(digits);
}

}  // namespace

bool liesUnderUsbDevice(I2cDevSystem& system, const std::string& devicePath) {
    // A bridge's bus sits below its USB interface, which sits below the USB device; only
    // the device folder carries idVendor (PCI devices have "vendor" instead).
    std::string dir = devicePath;
    while (dir.size() > 1) {
        if (system.exists(dir + "/idVendor")) return true;
        const auto slash = dir.rfind('/');
        if (slash == std::string::npos) break;
        dir.resize(slash == 0 ? 1 : slash);
    }
    return false;
}

std::vector<std::string> findUsbI2cBuses(I2cDevSystem& system, const std::string& classDir) {
    std::vector<long> buses;
    for (const std::string& entry : system.listDirectory(classDir)) {
        const long number = busNumber(entry);
        if (number < 0) continue;
        const std::string device = system.resolvePath(classDir + "/" + entry + "/device");
        if (!device.empty() && liesUnderUsbDevice(system, device)) buses.push_back(number);
    }
    std::sort(buses.begin(), buses.end());
    std::vector<std::string> names;
    for (const long number : buses) names.push_back("/dev/i2c-" + std::to_string(number));
    return names;
}
