#pragma once
// The simulator as an adapter back-end: one free device "sim" with the chip at 0x20.

#include <memory>

#include "chip/sim/simulated_chip.h"
#include "link/talvex.h"

class SimAdapter final : public Talvex {
public:
    static constexpr const char* kDeviceName = "sim";

    explicit SimAdapter(std::shared_ptr<SimulatedChip> chip);

    std::int32_t listFreeDevices(std::int32_t kind, std::int32_t& count,
                                 std::string& names) override;
    std::int32_t open(const std::string& name) override;
    void close() override;
    std::int32_t transfer(std::int32_t selector, std::int16_t& a, std::int16_t& b,
                          std::int16_t& c) override;

    SimulatedChip& chip() { return *chip_; }

private:
    std::shared_ptr<SimulatedChip> chip_;
};
