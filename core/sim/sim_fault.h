#pragma once
// The conditions a user can put on the simulated chip, by the names the command line and
// the Simulator menu use: ov, uv, ocd, scd, ovtemp, vgood-low, program-fails, stuck-bit,
// unplugged, pulse-stuck, no-vpp, nak=AA and nak=AA:N.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class SimCondition {
    Ov,            // cell over-voltage present
    Uv,            // cell under-voltage present
    Ocd,           // discharge over-current present
    Scd,           // short circuit present
    OvTemp,        // over-temperature present
    VgoodLow,      // the supply is not good: STATUS VGOOD clear
    ProgramFails,  // every programming cycle ends with PFALT set
    StuckBit,      // one EEPROM cell will not take the programmed level
    Unplugged,     // the adapter is pulled out: every transfer fails
    PulseStuck,    // the programming voltage cannot be switched off
    NoVpp,         // the voltage calls are answered, but no programming voltage reaches
                   // the chip (its supply off, a loose wire): nothing is burnt
};

inline constexpr std::array<SimCondition, 11> kSimConditions{
    SimCondition::Ov,           SimCondition::Uv,       SimCondition::Ocd,
    SimCondition::Scd,          SimCondition::OvTemp,   SimCondition::VgoodLow,
    SimCondition::ProgramFails, SimCondition::StuckBit, SimCondition::Unplugged,
    SimCondition::PulseStuck,   SimCondition::NoVpp};

// The command-line name of a condition ("ov", "vgood-low", ...).
std::string_view simConditionName(SimCondition condition);

// One --sim-fault value: a condition, or a register whose transfers are not acknowledged
// (all of them, or only the Nth read or write to it, counted from 1).
struct SimFault {
    std::optional<SimCondition> condition;
    std::uint8_t nakRegister = 0;  // used when `condition` is empty
    unsigned nakTransfer = 0;      // 0: every transfer
};

// Parses a --sim-fault value. On failure returns nullopt and a one-line reason in `error`.
std::optional<SimFault> parseSimFault(std::string_view text, std::string* error = nullptr);
