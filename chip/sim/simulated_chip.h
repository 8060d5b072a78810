#pragma once
// A model of the chip behind the bus, for demos, training and tests without hardware.

#include <array>
#include <cstdint>

class SimulatedChip {
public:
    SimulatedChip();

    // Register transfers as the chip answers them; 0 = acknowledged.
    std::int32_t readRegister(std::uint8_t address, std::uint8_t& data);
    std::int32_t writeRegister(std::uint8_t address, std::uint8_t data);
    // The programming voltage switched on or off.
    std::int32_t setProgrammingVoltage(bool on);

private:
    std::array<std::uint8_t, 0x0C> registers_{};
};
