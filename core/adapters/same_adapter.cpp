#include "core/adapters/same_adapter.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/link/frm_usb.h"

bool sameAdapter(const BusIdentity& remembered, const BusIdentity& candidate) {
    if (!remembered.serial.empty() && remembered.serial == candidate.serial) return true;
    if (!remembered.usbPath.empty()) return remembered.usbPath == candidate.usbPath;
    // A serial alone that no longer matches is another bridge of the same kind.
    if (!remembered.serial.empty()) return false;
    return !remembered.bus.empty() && remembered.bus == candidate.bus;
}

std::string describeAdapter(const BusIdentity& identity) {
    std::string line = identity.bus;
    for (const std::string* part : {&identity.usbPath, &identity.name}) {
        if (!part->empty()) line += "  " + *part;
    }
    return line;
}

std::vector<std::string> freeAdapterNames(frmUSB& bus) {
    std::int32_t count = 0;
    std::string names;
    bus.Talvex1().listFreeDevices(1, count, names);
    std::vector<std::string> result;
    for (std::size_t start = 0; count > 0 && start <= names.size();) {
        const std::size_t comma = std::min(names.find(',', start), names.size());
        if (comma > start) result.push_back(names.substr(start, comma - start));
        start = comma + 1;
    }
    return result;
}

namespace {

// Where a lost adapter may be now: the adapter's own list and, for a USB bridge, every I2C bus
// of the system too, since a bridge that was named by its bus comes back under another number.
std::vector<std::string> placesToLook(frmUSB& bus, const BusIdentity& remembered,
                                      const std::string& classDir) {
    std::vector<std::string> names = freeAdapterNames(bus);
    if (remembered.usbPath.empty() && remembered.serial.empty()) return names;
    std::vector<std::string> buses;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(classDir, ec)) {
        const std::string name = "/dev/" + entry.path().filename().string();
        if (std::find(names.begin(), names.end(), name) == names.end()) buses.push_back(name);
    }
    std::sort(buses.begin(), buses.end());
    names.insert(names.end(), buses.begin(), buses.end());
    return names;
}

}  // namespace

bool reopenSameAdapter(frmUSB& bus, const BusIdentity& remembered, const std::string& classDir) {
    for (const std::string& name : placesToLook(bus, remembered, classDir)) {
        if (sameAdapter(remembered, identifyBus(name, classDir))) return bus.OpenDevice(name);
    }
    return false;
}
