#include <cerrno>

#include "core/adapters/hardware_adapter.h"
#include "core/adapters/hid_adapter.h"

namespace {

// An adapter name that means a Linux bus: nothing lists, nothing opens, and it says why.
class NoHardwareAdapter final : public Talvex {
public:
    explicit NoHardwareAdapter(std::string adapter)
        : reason_("'" + adapter +
                  "' is a Linux I2C bus; on Windows a CP2112 or MCP2221 bridge is reached with "
                  "--adapter hid, hid:SERIAL or hid:PATH") {}

    std::int32_t listFreeDevices(std::int32_t, std::int32_t& count, std::string& names) override {
        count = 0;
        names.clear();
        return 0;
    }
    std::int32_t open(const std::string&) override { return -ENODEV; }
    void close() override {}
    std::int32_t transfer(std::int32_t, std::int16_t&, std::int16_t&, std::int16_t&) override {
        return -ENODEV;
    }
    std::string lastFailure() const override { return reason_; }

private:
    std::string reason_;
};

}  // namespace

// The USB bridges through the system's HID driver are every USB-to-I2C means Windows has, so
// the default ("i2c-dev") is "hid".
std::unique_ptr<Talvex> makeHardwareAdapter(const std::string& adapter,
                                            const std::string& pulseGpio) {
    if (namesHidBridge(adapter)) return makeHidAdapter(adapter, pulseGpio);
    if (adapter == "i2c-dev") return makeHidAdapter("hid", pulseGpio);
    return std::make_unique<NoHardwareAdapter>(adapter);
}

std::string firstHardwareBus() {
    const std::shared_ptr<HidSystem> system = makeHidSystem();
    const std::vector<HidBridgeEntry> found = listHidBridges(*system, true);
    return found.empty() ? std::string() : found.front().name;
}

bool hardwareAdapterTellsFailures(const std::string&) {
    return false;
}
