#include "core/adapters/hid_adapter.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <system_error>
#include <utility>

#include "core/adapters/hid_node.h"
#include "core/adapters/transfer_arguments.h"
#include "core/link/miscellaneous.h"

namespace {

constexpr std::array<std::pair<std::uint16_t, std::uint16_t>, 2> kBridgeIds{{
    {kCp2112.vendorId, kCp2112.productId},
    {kMcp2221.vendorId, kMcp2221.productId},
}};
constexpr const char* kNoVoltageLine =
    "no programming-voltage line: start with --pulse-gpio hid:N (a pin of the bridge) or "
    "CHIP:LINE";

const char* kindOf(const HidDeviceInfo& info) {
    if (info.vendorId == kCp2112.vendorId && info.productId == kCp2112.productId)
        return kCp2112.kind;
    return kMcp2221.kind;
}

// "CP2112 (USB 10C4:EA90)": what the list looks for, by model and USB ID.
std::string described(const HidBridgeModel& model) {
    char id[16];
    std::snprintf(id, sizeof id, "%04X:%04X", model.vendorId, model.productId);
    return std::string(model.kind) + " (USB " + id + ")";
}

std::string hex2(int value) {
    return "0x" + Miscellaneous::ByteToHex(static_cast<unsigned>(value) & 0xFF);
}

// "hid:X" names X by serial or by path.
bool names(const HidBridgeEntry& entry, const std::string& name) {
    if (name == entry.name) return true;
    if (name.rfind(kHidPrefix, 0) != 0) return false;
    const std::string x = name.substr(std::string(kHidPrefix).size());
    return !x.empty() && (x == entry.info.serial || x == entry.info.path);
}

}  // namespace

std::vector<HidBridgeEntry> listHidBridges(HidSystem& system, bool includeBound) {
    const std::vector<HidDeviceInfo> found = system.enumerate(kBridgeIds);
    std::vector<HidBridgeEntry> entries;
    for (const HidDeviceInfo& info : found) {
        if (!includeBound && !info.kernelDriver.empty()) continue;
        // A serial that another bridge shares, or that would split the comma-separated
        // list, cannot name the bridge; its path can.
        const bool unique =
            !info.serial.empty() && info.serial.find(',') == std::string::npos &&
            std::count_if(found.begin(), found.end(), [&info](const HidDeviceInfo& other) {
                return other.serial == info.serial;
            }) == 1;
        entries.push_back({kHidPrefix + (unique ? info.serial : info.path), info, kindOf(info)});
    }
    return entries;
}

HidAdapter::HidAdapter(std::string select, std::string pulseGpio, std::shared_ptr<HidSystem> system,
                       std::shared_ptr<GpioSystem> gpio, bool includeBound)
    : select_(std::move(select)),
      pulseGpio_(std::move(pulseGpio)),
      pin_(hidPulsePin(pulseGpio_)),
      system_(std::move(system)),
      pulseLine_(std::move(gpio), pin_ ? std::string() : pulseGpio_),
      includeBound_(includeBound) {}

HidAdapter::~HidAdapter() {
    close();
}

std::int32_t HidAdapter::fail(std::int32_t rc, std::string reason) {
    lastError_ = std::move(reason);
    return rc;
}

std::int32_t HidAdapter::listFreeDevices(std::int32_t, std::int32_t& count, std::string& names) {
    lastError_.clear();
    count = 0;
    names.clear();
    if (!system_) {
        fail(0, "this build has no HID support (hidapi was missing when it was built)");
        return 0;
    }
    for (const HidBridgeEntry& entry : listHidBridges(*system_, includeBound_)) {
        if (select_ != "hid" && !::names(entry, select_)) continue;
        names += (names.empty() ? "" : ",") + entry.name;
        ++count;
    }
    if (count == 0) {
        const std::string sought =
            select_ == "hid" ? described(kCp2112) + " or " + described(kMcp2221) + " bridge"
                             : "USB bridge " + select_;
        const std::string why = system_->enumerateFailure();
        fail(0, why.empty() ? "no " + sought + " found"
                            : "the system's HID devices cannot be listed (" + why + "), so no " +
                                  sought + " can be found");
    }
    return 0;
}

std::int32_t HidAdapter::open(const std::string& name) {
    close();
    lastError_.clear();
    if (!system_) return fail(-ENOTSUP, "this build has no HID support");
    std::optional<HidBridgeEntry> chosen;
    for (const HidBridgeEntry& entry : listHidBridges(*system_, true)) {
        if (::names(entry, name)) {
            chosen = entry;
            break;
        }
    }
    if (!chosen) return fail(-ENOENT, "no USB bridge " + name + " is plugged in");

    int error = 0;
    std::string why;
    device_ = system_->open(chosen->info.path, error, why);
    if (!device_) {
        if (error == -EACCES || error == -EPERM) {
            return fail(error, hidPermissionHint(chosen->info.path));
        }
        return fail(error ? error : -EIO,
                    "cannot open " + chosen->info.path + (why.empty() ? "" : ": " + why));
    }
    bridge_ = makeHidBridge(chosen->info.vendorId, chosen->info.productId, *device_);
    std::string reason;
    if (const int rc = bridge_->configure(reason); rc < 0) {
        drop();
        return fail(rc, std::string(chosen->kind) + " " + name + ": " + reason);
    }
    if (pin_) {
        // The voltage is off from the moment the adapter is ours.
        if (const int rc = bridge_->makeOutputLow(*pin_, reason); rc < 0) {
            drop();
            return fail(rc, "programming-voltage pin: " + reason);
        }
    }
    openName_ = name;
    return 0;
}

void HidAdapter::drop() {
    bridge_.reset();
    device_.reset();
}

void HidAdapter::close() {
    std::string reason;
    if (pin_ && bridge_ && bridge_->setPin(*pin_, false, reason) < 0) fail(0, reason);
    if (pulseLine_.release(reason) < 0) fail(0, reason);
    drop();
}

std::int32_t HidAdapter::transfer(std::int32_t selector, std::int16_t& a, std::int16_t& b,
                                  std::int16_t& c) {
    lastError_.clear();
    switch (selector) {
        case kSelectorPulse:
            return pulse(a);
        case kSelectorWrite:
        case kSelectorRead:
            return byteTransfer(selector == kSelectorWrite, a, b, c);
        default:
            return fail(-EINVAL, "unknown transfer selector " + std::to_string(selector));
    }
}

std::int32_t HidAdapter::byteTransfer(bool write, std::int16_t device, std::int16_t reg,
                                      std::int16_t& data) {
    const char* what = write ? "write" : "read";
    if (const std::string fault = transferArgumentsFault(device, reg, write, data); !fault.empty())
        return fail(-EINVAL, fault);
    if (!bridge_) return fail(-EBADF, std::string(what) + " failed: no USB bridge is open");
    std::string reason;
    std::uint8_t value = 0;
    const int rc = write ? bridge_->writeByteData(static_cast<std::uint8_t>(device),
                                                  static_cast<std::uint8_t>(reg),
                                                  static_cast<std::uint8_t>(data), reason)
                         : bridge_->readByteData(static_cast<std::uint8_t>(device),
                                                 static_cast<std::uint8_t>(reg), value, reason);
    if (rc < 0) {
        // A bridge that stopped answering is let go, so that it can be opened again.
        if (rc == -ENODEV) drop();
        return fail(rc, std::string(what) + " of register " + hex2(reg) + " on " + openName_ +
                            " failed: " + reason);
    }
    if (!write) data = value;
    return 0;
}

std::int32_t HidAdapter::pulse(std::int16_t onOff) {
    if (onOff != 0 && onOff != 1) {
        return fail(-EINVAL,
                    "programming voltage takes 1 (on) or 0 (off), not " + std::to_string(onOff));
    }
    std::string reason;
    if (!pin_) {
        if (pulseGpio_.empty()) return fail(-EINVAL, kNoVoltageLine);
        const int rc = onOff == 1 ? pulseLine_.switchOn(reason) : pulseLine_.switchOff(reason);
        return rc < 0 ? fail(rc, reason) : 0;
    }
    if (!bridge_) {
        return fail(-EBADF, std::string("cannot switch the programming voltage ") +
                                (onOff ? "on" : "off") + ": no USB bridge is open");
    }
    if (const int rc = bridge_->setPin(*pin_, onOff == 1, reason); rc < 0) {
        if (rc == -ENODEV) drop();
        return fail(rc, "programming voltage: " + reason);
    }
    return 0;
}

std::int32_t HidAdapter::holdPulseLine(std::string& reason) {
    lastError_.clear();
    if (!pin_) {
        if (pulseGpio_.empty()) {
            reason = kNoVoltageLine;
            return fail(-EINVAL, reason);
        }
        const int rc = pulseLine_.hold(reason);
        return rc < 0 ? fail(rc, reason) : 0;
    }
    if (!bridge_) {
        reason = "no USB bridge is open for the programming-voltage pin";
        return fail(-EBADF, reason);
    }
    // Still ours, still an output, still off.
    if (const int rc = bridge_->makeOutputLow(*pin_, reason); rc < 0) {
        if (rc == -ENODEV) drop();
        return fail(rc, reason);
    }
    return 0;
}

BusIdentity identifyHidBridge(const std::string& name) {
    BusIdentity identity;
    identity.bus = name;
    const std::shared_ptr<HidSystem> system = makeHidSystem();
    if (!system) return identity;
    for (const HidBridgeEntry& entry : listHidBridges(*system, true)) {
        if (!names(entry, name)) continue;
        identity.name = entry.info.product.empty() ? entry.kind : entry.info.product;
        identity.usbPath = entry.info.usbPath;
        identity.serial = entry.info.serial;
        break;
    }
    return identity;
}

std::unique_ptr<Talvex> makeHidAdapter(const std::string& select, const std::string& pulseGpio,
                                       bool includeBound) {
    return std::make_unique<HidAdapter>(select, pulseGpio, makeHidSystem(), makeGpioSystem(),
                                        includeBound);
}
