#include "chip/sim/simulated_chip.h"

#include "chip/register_map.h"

namespace {
constexpr std::int32_t kNoAnswer = -1;
}

SimulatedChip::SimulatedChip() { registers_[chip::STATUS] = chip::kStatusVGOOD; }

std::int32_t SimulatedChip::readRegister(std::uint8_t address, std::uint8_t& data) {
    if (address >= registers_.size()) return kNoAnswer;
    data = registers_[address];
    return 0;
}

std::int32_t SimulatedChip::writeRegister(std::uint8_t address, std::uint8_t data) {
    if (address >= registers_.size()) return kNoAnswer;
    if (address == chip::STATUS) return 0;  // read-only: the write is taken and ignored
    if (address == chip::OUTPUT_CNTRL) {
        data = static_cast<std::uint8_t>((data & ~chip::kOutPFALT) |
                                         (registers_[address] & chip::kOutPFALT));
    }
    registers_[address] = data;
    return 0;
}

std::int32_t SimulatedChip::setProgrammingVoltage(bool) { return 0; }
