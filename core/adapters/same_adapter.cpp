#include "core/adapters/same_adapter.h"

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

bool reopenSameAdapter(frmUSB& bus, const BusIdentity& remembered, const std::string& classDir) {
    for (const std::string& name : freeAdapterNames(bus)) {
        if (sameAdapter(remembered, identifyBus(name, classDir))) return bus.OpenDevice(name);
    }
    return false;
}
