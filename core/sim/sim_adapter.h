#pragma once
// The simulator as an adapter back-end: one free device "sim" with the chip at 0x20.
// An unplugged adapter lists no device and fails every call; a transfer to any other
// device address fails as with an absent device.

#include <memory>

#include "core/sim/simulated_chip.h"
#include "core/link/talvex.h"

class SimAdapter final : public Talvex {
public:
    static constexpr const char* kDeviceName = "sim";
    static constexpr std::int32_t kNoDevice = -1;
    static constexpr std::int32_t kBadArgument = -2;
    static constexpr std::int32_t kNotConnected = -3;

    explicit SimAdapter(std::shared_ptr<SimulatedChip> chip);

    std::int32_t listFreeDevices(std::int32_t kind, std::int32_t& count,
                                 std::string& names) override;
    std::int32_t open(const std::string& name) override;
    void close() override;
    std::int32_t transfer(std::int32_t selector, std::int16_t& a, std::int16_t& b,
                          std::int16_t& c) override;

    SimulatedChip& chip() { return *chip_; }

private:
    bool unplugged() const { return chip_->condition(SimCondition::Unplugged); }

    std::shared_ptr<SimulatedChip> chip_;
};
