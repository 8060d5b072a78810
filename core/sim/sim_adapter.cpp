#include "core/sim/sim_adapter.h"

#include "core/chip/register_map.h"

SimAdapter::SimAdapter(std::shared_ptr<SimulatedChip> chip) : chip_(std::move(chip)) {}

std::int32_t SimAdapter::listFreeDevices(std::int32_t, std::int32_t& count, std::string& names) {
    if (unplugged()) {
        count = 0;
        names.clear();
        return 0;
    }
    count = 1;
    names = kDeviceName;
    return 0;
}

std::int32_t SimAdapter::open(const std::string& name) {
    if (unplugged()) return kNotConnected;
    return name == kDeviceName ? 0 : kNoDevice;
}

void SimAdapter::close() {}

std::int32_t SimAdapter::transfer(std::int32_t selector, std::int16_t& a, std::int16_t& b,
                                  std::int16_t& c) {
    if (unplugged()) return kNotConnected;
    switch (selector) {
        case kSelectorPulse:
            if (a != 0 && a != 1) return kBadArgument;
            return chip_->setProgrammingVoltage(a == 1);
        case kSelectorRead:
        case kSelectorWrite: {
            if (a != chip::kDeviceAddress) return kNoDevice;
            if (b < 0 || b > 0xFF) return kBadArgument;
            const auto reg = static_cast<std::uint8_t>(b);
            if (selector == kSelectorWrite) {
                return chip_->writeRegister(reg, static_cast<std::uint8_t>(c & 0xFF));
            }
            std::uint8_t value = 0;
            const std::int32_t rc = chip_->readRegister(reg, value);
            if (rc == 0) c = value;
            return rc;
        }
        default:
            return kBadArgument;
    }
}
