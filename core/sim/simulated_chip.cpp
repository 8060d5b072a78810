#include "core/sim/simulated_chip.h"

namespace {

std::uint16_t bitOf(SimCondition c) {
    return static_cast<std::uint16_t>(1U << static_cast<int>(c));
}

constexpr std::uint8_t kProtectionFlags =
    chip::kStatusSCD | chip::kStatusOCD | chip::kStatusOV | chip::kStatusUV | chip::kStatusOVTEMP;

}  // namespace

SimulatedChip::SimulatedChip(const Eeprom& eeprom, Clock clock) : eeprom_(eeprom) {
    setClock(std::move(clock));
    powerCycle();
}

void SimulatedChip::setClock(Clock clock) {
    clock_ = clock ? std::move(clock) : Clock(&std::chrono::steady_clock::now);
}

void SimulatedChip::powerCycle() {
    registers_.fill(0);  // control registers and the programming register power up as zero
    loadWorkingCopies();
    latched_ = presentFaults();
    firstArmByte_ = false;
    armed_ = false;
    // A voltage still applied meets an unarmed chip; that cycle can only fail.
    pulse_.reset();
    if (voltageOn_) pulse_ = Pulse{clock_(), false, vgood()};
}

void SimulatedChip::loadWorkingCopies() {
    for (int i = 0; i < chip::kEepromCount; ++i) registers_[chip::kFirstEeprom + i] = eeprom_[i];
}

std::uint8_t SimulatedChip::presentFaults() const {
    std::uint8_t flags = 0;
    if (condition(SimCondition::Ov)) flags |= chip::kStatusOV;
    if (condition(SimCondition::Uv)) flags |= chip::kStatusUV;
    if (condition(SimCondition::Ocd)) flags |= chip::kStatusOCD;
    if (condition(SimCondition::Scd)) flags |= chip::kStatusSCD;
    if (condition(SimCondition::OvTemp)) flags |= chip::kStatusOVTEMP;
    return flags;
}

std::uint8_t SimulatedChip::status() const {
    const std::uint8_t faults = latched_;
    const std::uint8_t uvLevel = registers_[chip::UV_LEVEL];
    const std::uint8_t output = registers_[chip::OUTPUT_CNTRL];
    bool chg = true;
    bool dsg = true;
    if (registers_[chip::STATE_CNTRL] & chip::kStateHOST) {
        // The host drives the FETs; the protection still overrules it where not disabled.
        chg = (output & chip::kOutCHG) != 0;
        dsg = (output & chip::kOutDSG) != 0;
        if (faults & chip::kStatusOV) chg = false;
        if ((faults & chip::kStatusUV) && !(uvLevel & chip::kUvFetDis)) dsg = false;
        if ((faults & (chip::kStatusOCD | chip::kStatusSCD)) && !(uvLevel & chip::kSocDis)) {
            chg = false;
            dsg = false;
        }
    } else {
        chg = !(faults & chip::kStatusOV);
        dsg = !(faults & (chip::kStatusUV | chip::kStatusOCD | chip::kStatusSCD));
    }
    std::uint8_t value = faults & kProtectionFlags;
    if (vgood()) value |= chip::kStatusVGOOD;
    if (chg) value |= chip::kStatusCHG;
    if (dsg) value |= chip::kStatusDSG;
    return value;
}

bool SimulatedChip::answers(std::uint8_t address) {
    if (naks(address)) return false;
    const auto once = nakOnce_.find(address);
    if (once == nakOnce_.end()) return true;
    if (--once->second > 0) return true;
    nakOnce_.erase(once);
    return false;
}

std::int32_t SimulatedChip::readRegister(std::uint8_t address, std::uint8_t& data) {
    if (address >= registers_.size() || !answers(address)) return kNoAcknowledge;
    data = address == chip::STATUS ? status() : registers_[address];
    return 0;
}

std::int32_t SimulatedChip::writeRegister(std::uint8_t address, std::uint8_t data) {
    if (address >= registers_.size() || !answers(address)) return kNoAcknowledge;
    switch (address) {
        case chip::STATUS:
            return 0;  // read-only: the write is taken and ignored
        case chip::OUTPUT_CNTRL: {
            const std::uint8_t old = registers_[address];
            // PFALT is the chip's to set; the rest is the host's.
            registers_[address] =
                static_cast<std::uint8_t>((data & ~chip::kOutPFALT) | (old & chip::kOutPFALT));
            if ((old & chip::kOutLTCLR) && !(data & chip::kOutLTCLR)) latched_ = presentFaults();
            return 0;
        }
        case chip::EEPROM_PROGRAM:
            writeProgramRegister(data);
            return 0;
        default:
            registers_[address] = data;
            return 0;
    }
}

void SimulatedChip::writeProgramRegister(std::uint8_t data) {
    // Any write to the programming register ends a programming cycle under way, with the
    // arming it had: the usual sequence disarms while the voltage is still on.
    if (pulse_) endPulse();
    registers_[chip::EEPROM_PROGRAM] = data;
    armed_ = data == chip::kProgramArm2 && firstArmByte_;
    firstArmByte_ = data == chip::kProgramArm1;
}

std::int32_t SimulatedChip::setProgrammingVoltage(bool on) {
    if (!on && voltageOn_ && condition(SimCondition::PulseStuck)) return kNoAcknowledge;
    // The adapter answers, but the chip sees no voltage: no programming cycle at all.
    if (condition(SimCondition::NoVpp)) return 0;
    if (on == voltageOn_) return 0;
    voltageOn_ = on;
    if (on) {
        pulse_ = Pulse{clock_(), armed_, vgood()};
    } else if (pulse_) {
        endPulse();
    }
    return 0;
}

void SimulatedChip::endPulse() {
    const Pulse pulse = *pulse_;
    pulse_.reset();
    const bool longEnough = clock_() - pulse.start >= kMinimumPulse;
    const bool ok = pulse.armed && armed_ && pulse.vgood && vgood() && longEnough &&
                    !condition(SimCondition::ProgramFails);
    if (ok) {
        program();
    } else {
        registers_[chip::OUTPUT_CNTRL] |= chip::kOutPFALT;
    }
}

void SimulatedChip::program() {
    for (int i = 0; i < chip::kEepromCount; ++i) {
        std::uint8_t value = registers_[chip::kFirstEeprom + i];
        // A weak cell that lands on the wrong level, so the read-back shows the difference.
        if (condition(SimCondition::StuckBit) && chip::kFirstEeprom + i == kStuckRegister) {
            value ^= kStuckMask;
        }
        eeprom_[i] = value;
    }
    loadWorkingCopies();
    registers_[chip::OUTPUT_CNTRL] &= static_cast<std::uint8_t>(~chip::kOutPFALT);
    if (eepromListener_) eepromListener_(eeprom_);
}

void SimulatedChip::setCondition(SimCondition c, bool present) {
    if (present) {
        conditions_ |= bitOf(c);
    } else {
        conditions_ &= static_cast<std::uint16_t>(~bitOf(c));
    }
    latched_ |= presentFaults();
    // Pulling the adapter out, or losing the programming supply, takes the voltage away.
    if ((c == SimCondition::Unplugged || c == SimCondition::NoVpp) && present && voltageOn_) {
        voltageOn_ = false;
        if (pulse_) endPulse();
    }
}

bool SimulatedChip::condition(SimCondition c) const {
    return (conditions_ & bitOf(c)) != 0;
}

void SimulatedChip::setNak(std::uint8_t address, bool nak) {
    if (nak) {
        nakRegisters_.insert(address);
    } else {
        nakRegisters_.erase(address);
    }
}

void SimulatedChip::setNakOnce(std::uint8_t address, unsigned nth) {
    nakOnce_[address] = nth;
}

void SimulatedChip::apply(const SimFault& fault) {
    if (fault.condition) {
        setCondition(*fault.condition, true);
    } else if (fault.nakTransfer > 0) {
        setNakOnce(fault.nakRegister, fault.nakTransfer);
    } else {
        setNak(fault.nakRegister, true);
    }
}
