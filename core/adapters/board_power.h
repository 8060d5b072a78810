#pragma once
// Switching a board's supply off and on again after programming, so that the chip loads
// 0x06..0x0A from its EEPROM and a read shows what was burnt. Two means: a fixture's GPIO
// line, which cuts the supply while it is driven high (a line the program does not hold
// leaves the board powered), and the simulator's own supply. Waiting is the caller's.

#include <functional>
#include <memory>
#include <string>

class GpioSystem;
class SimulatedChip;

class BoardPower {
public:
    using Wait = std::function<void(double seconds)>;

    virtual ~BoardPower() = default;
    // Supply off, `offSeconds` waited, supply on again. False, with `reason`, when the
    // supply could not be switched; the supply is on again either way, as far as the means
    // allows.
    virtual bool cycle(double offSeconds, const Wait& wait, std::string& reason) = 0;
};

// The fixture's line CHIP:LINE (as --pulse-gpio names one); `gpio` null in a build without
// GPIO support.
std::unique_ptr<BoardPower> makeGpioBoardPower(std::shared_ptr<GpioSystem> gpio,
                                               std::string chipLine);
std::unique_ptr<BoardPower> makeSimBoardPower(std::shared_ptr<SimulatedChip> chip);
