#include "cli/bus_name.h"

#include "core/adapters/hardware_adapter.h"

namespace cli {

std::string busName(const AdapterOptions& options) {
    if (options.adapter == "sim") return "sim";
    if (options.adapter.rfind("hid", 0) == 0) return options.adapter;
    std::string bus = options.adapter;
    if (bus == "i2c-dev") {
        bus = firstHardwareBus();
        if (bus.empty()) return "";
    }
    return bus.rfind("/dev/", 0) == 0 ? bus.substr(5) : bus;
}

}  // namespace cli
