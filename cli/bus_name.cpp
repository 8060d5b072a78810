#include "cli/bus_name.h"

#include "core/adapters/i2c_dev_system.h"
#include "core/adapters/usb_bus_discovery.h"

namespace cli {

std::string busName(const AdapterOptions& options) {
    if (options.adapter == "sim") return "sim";
    if (options.adapter.rfind("hid", 0) == 0) return options.adapter;
    std::string bus = options.adapter;
    if (bus == "i2c-dev") {
        const std::vector<std::string> found = findUsbI2cBuses(*makeLinuxI2cDevSystem());
        if (found.empty()) return "";
        bus = found.front();
    }
    return bus.rfind("/dev/", 0) == 0 ? bus.substr(5) : bus;
}

}  // namespace cli
