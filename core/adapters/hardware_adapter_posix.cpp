#include "core/adapters/hardware_adapter.h"
#include "core/adapters/i2c_dev_adapter.h"
#include "core/adapters/i2c_dev_system.h"
#include "core/adapters/usb_bus_discovery.h"

std::unique_ptr<Talvex> makeHardwareAdapter(const std::string& bus, const std::string& pulseGpio) {
    return makeI2cDevAdapter(bus, pulseGpio);
}

std::string firstHardwareBus() {
    const std::vector<std::string> found = findUsbI2cBuses(*makeLinuxI2cDevSystem());
    return found.empty() ? std::string() : found.front();
}
