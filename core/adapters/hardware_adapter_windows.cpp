#include "core/adapters/hardware_adapter.h"
#include "core/adapters/hid_names.h"

namespace {

// No USB-to-I2C bridge is known to this build: the list is empty and nothing opens.
class NoHardwareAdapter final : public Talvex {
public:
    std::int32_t listFreeDevices(std::int32_t, std::int32_t& count, std::string& names) override {
        count = 0;
        names.clear();
        return 0;
    }
    std::int32_t open(const std::string&) override { return kNoDevice; }
    void close() override {}
    std::int32_t transfer(std::int32_t, std::int16_t&, std::int16_t&, std::int16_t&) override {
        return kNoDevice;
    }

private:
    static constexpr std::int32_t kNoDevice = -19;  // as "no such device" on Linux
};

}  // namespace

std::unique_ptr<Talvex> makeHardwareAdapter(const std::string&, const std::string&) {
    return std::make_unique<NoHardwareAdapter>();
}

BusIdentity identifyHidBridge(const std::string& name) {
    BusIdentity identity;
    identity.bus = name;
    return identity;
}

std::string firstHardwareBus() {
    return {};
}
