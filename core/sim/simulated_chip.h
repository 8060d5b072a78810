#pragma once
// A model of the chip behind the bus, for demos, training and tests without hardware.
//
// What it models:
// - STATUS: the five protection flags are set while their condition is present and stay
//   latched until OUTPUT_CNTRL LTCLR goes from 1 to 0 with the condition gone; VGOOD follows
//   the supply; CHG and DSG report the FETs (Host mode: OUTPUT_CNTRL's bits, overruled by
//   the protection; Standalone: the chip's own protection alone).
// - OUTPUT_CNTRL PFALT: read-only, set by a failed programming cycle, cleared by a good one
//   and at power-on.
// - Registers 0x06..0x0A: working copies of a five-byte EEPROM, reloaded at power-on.
// - Register 0x0B: 0x71 then 0x41 arms programming; the programming voltage held on for at
//   least kMinimumPulse while armed and VGOOD good copies the working copies into the EEPROM.
// - Injected conditions (see sim_fault.h) and registers that do not acknowledge.
// Time comes from an injectable clock so that tests need not sleep.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>

#include "core/chip/register_map.h"
#include "core/sim/sim_fault.h"

class SimulatedChip {
public:
    using Eeprom = std::array<std::uint8_t, chip::kEepromCount>;  // registers 0x06..0x0A
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // A typical ten-cell pack: OV 4.25 V / 200 mV / 1000 ms; UV 2.70 V / 0.4 V;
    // OC 50 mV; OC delay 160 ms with cell balancing on; SCD 100 mV / 240 us.
    static constexpr Eeprom kDefaultEeprom{0x4A, 0x1D, 0x28, 0x87, 0x48};
    static constexpr std::chrono::milliseconds kMinimumPulse{100};
    // The cell that the stuck-bit condition spoils: OCD0 of OCV_UV DELAY.
    static constexpr std::uint8_t kStuckRegister = chip::OCV_UV_DELAY;
    static constexpr std::uint8_t kStuckMask = 0x01;

    static constexpr std::int32_t kNoAcknowledge = -1;

    // An empty clock means steady_clock.
    explicit SimulatedChip(const Eeprom& eeprom = kDefaultEeprom, Clock clock = {});

    // Register transfers as the chip answers them; 0 = acknowledged.
    std::int32_t readRegister(std::uint8_t address, std::uint8_t& data);
    std::int32_t writeRegister(std::uint8_t address, std::uint8_t data);
    // The programming voltage switched on or off.
    std::int32_t setProgrammingVoltage(bool on);

    // Injected conditions; they stay until taken away, across power cycles.
    void setCondition(SimCondition condition, bool present);
    bool condition(SimCondition condition) const;
    void setNak(std::uint8_t address, bool nak);
    bool naks(std::uint8_t address) const { return nakRegisters_.count(address) != 0; }
    // Only the `nth` transfer (read or write) to `address` from now on goes unanswered.
    void setNakOnce(std::uint8_t address, unsigned nth);
    const std::map<std::uint8_t, unsigned>& nakOnce() const { return nakOnce_; }
    void clearNakOnce() { nakOnce_.clear(); }
    const std::set<std::uint8_t>& nakRegisters() const { return nakRegisters_; }
    void apply(const SimFault& fault);

    // Supply off and on: control registers to their power-on values, the working copies
    // reloaded from the EEPROM, latches and arming cleared.
    void powerCycle();

    // Replaces the clock (an empty one means steady_clock); for tests of a chip built elsewhere.
    void setClock(Clock clock);

    const Eeprom& eeprom() const { return eeprom_; }
    bool armed() const { return armed_; }
    bool programmingVoltage() const { return voltageOn_; }
    // Called after every programming cycle that wrote the EEPROM.
    void setEepromListener(std::function<void(const Eeprom&)> listener) {
        eepromListener_ = std::move(listener);
    }

private:
    struct Pulse {
        std::chrono::steady_clock::time_point start;
        bool armed;
        bool vgood;
    };

    bool answers(std::uint8_t address);
    std::uint8_t presentFaults() const;
    std::uint8_t status() const;
    bool vgood() const { return !condition(SimCondition::VgoodLow); }
    void writeProgramRegister(std::uint8_t data);
    void endPulse();
    void program();
    void loadWorkingCopies();

    Clock clock_;
    std::array<std::uint8_t, 0x0C> registers_{};  // STATUS is computed, not kept here
    Eeprom eeprom_;
    std::uint8_t latched_ = 0;
    std::uint16_t conditions_ = 0;  // one bit per SimCondition
    std::set<std::uint8_t> nakRegisters_;
    std::map<std::uint8_t, unsigned> nakOnce_;  // register: transfers left until the lost one
    bool firstArmByte_ = false;
    bool armed_ = false;
    bool voltageOn_ = false;
    std::optional<Pulse> pulse_;
    std::function<void(const Eeprom&)> eepromListener_;
};
