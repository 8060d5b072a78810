#include <filesystem>
#include <system_error>

#include "core/adapters/access_hint.h"
#include "core/adapters/hid_node.h"

namespace fs = std::filesystem;

HidNodeFacts hidNodeFacts(const std::string& path) {
    HidNodeFacts facts;
    const std::string node = fs::path(path).filename().string();  // hidrawN
    if (node.rfind("hidraw", 0) != 0) return facts;
    std::error_code ec;
    // .../usb1/1-1/1-1:1.0/0003:10C4:EA90.0001/hidraw/hidraw0: the HID device is the folder
    // that the class entry's "device" names; the USB device carries idVendor further up.
    const fs::path hid = fs::canonical(fs::path("/sys/class/hidraw") / node / "device", ec);
    if (ec) return facts;
    const fs::path driver = fs::read_symlink(hid / "driver", ec);
    if (!ec && driver.filename() != "hid-generic") facts.kernelDriver = driver.filename().string();
    for (fs::path dir = hid; dir.has_relative_path(); dir = dir.parent_path()) {
        if (fs::exists(dir / "idVendor", ec)) {
            facts.usbPath = dir.filename().string();
            break;
        }
    }
    return facts;
}

std::string hidPermissionHint(const std::string& path) {
    return "permission denied on " + path +
           ": the package's udev rule gives the bridges' hidraw nodes to the user at the seat; "
           "elsewhere install " +
           kUdevRuleHint;
}
