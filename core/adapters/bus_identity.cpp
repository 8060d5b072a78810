#include "core/adapters/bus_identity.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "core/adapters/hid_names.h"
#include "core/base/native_path.h"

namespace fs = std::filesystem;

namespace {

// The first line of a sysfs attribute; "" when there is none.
std::string readAttribute(const fs::path& path) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openFile(path.string(), "r"),
                                                               &std::fclose);
    if (!file) return {};
    char buffer[256] = {};
    if (!std::fgets(buffer, sizeof buffer, file.get())) return {};
    std::string text(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

bool allDigits(const std::string& text) {
    return !text.empty() && text.size() < 10 &&
           text.find_first_not_of("0123456789") == std::string::npos;
}

// "i2c-N" of "/dev/i2c-N" or "i2c-N"; "" for anything else.
std::string busEntry(const std::string& bus) {
    std::string entry = bus.rfind("/dev/", 0) == 0 ? bus.substr(5) : bus;
    return entry.rfind("i2c-", 0) == 0 && allDigits(entry.substr(4)) ? entry : "";
}

}  // namespace

BusIdentity identifyBus(const std::string& bus, const std::string& classDir) {
    if (bus.rfind(kHidPrefix, 0) == 0) return identifyHidBridge(bus);
    BusIdentity identity;
    const std::string entry = busEntry(bus);
    identity.bus = entry.empty() ? bus : entry;
    if (entry.empty()) return identity;
    identity.name = readAttribute(fs::path(classDir) / entry / "name");
    std::error_code ec;
    fs::path dir = fs::canonical(fs::path(classDir) / entry / "device", ec);
    if (ec) return identity;
    if (identity.name.empty()) identity.name = readAttribute(dir / "name");
    // The USB device is the nearest folder above the bus that carries idVendor; its folder
    // name is the port path ("1-2.3").
    for (; dir.has_relative_path(); dir = dir.parent_path()) {
        if (fs::exists(dir / "idVendor", ec)) {
            identity.usbPath = dir.filename().string();
            identity.serial = readAttribute(dir / "serial");
            break;
        }
    }
    return identity;
}

std::optional<std::string> busDevicePath(const std::string& text, const std::string& classDir) {
    if (allDigits(text)) return "/dev/i2c-" + text;
    if (!busEntry(text).empty()) return "/dev/" + busEntry(text);
    if (text.rfind("/dev/", 0) == 0) return text;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(classDir, ec)) {
        const std::string entry = e.path().filename().string();
        if (!busEntry(entry).empty() && readAttribute(e.path() / "name") == text) {
            return "/dev/" + entry;
        }
    }
    return std::nullopt;
}
