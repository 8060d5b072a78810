#include "core/adapters/board_power.h"

#include "core/adapters/gpio_system.h"
#include "core/adapters/pulse_line.h"
#include "core/sim/simulated_chip.h"

namespace {

// The line is held only while the supply is cut; giving it back drives it low first.
class GpioBoardPower final : public BoardPower {
public:
    GpioBoardPower(std::shared_ptr<GpioSystem> gpio, std::string chipLine)
        : gpio_(std::move(gpio)), chipLine_(std::move(chipLine)) {}

    bool cycle(double offSeconds, const Wait& wait, std::string& reason) override {
        PulseLine line(gpio_, chipLine_);
        if (line.switchOn(reason) != 0) {
            reason = "cannot switch the board's power off: " + reason;
            return false;
        }
        wait(offSeconds);
        if (line.release(reason) != 0) {
            reason = "cannot switch the board's power on again: " + reason;
            return false;
        }
        return true;
    }

private:
    std::shared_ptr<GpioSystem> gpio_;
    std::string chipLine_;
};

class SimBoardPower final : public BoardPower {
public:
    explicit SimBoardPower(std::shared_ptr<SimulatedChip> chip) : chip_(std::move(chip)) {}

    bool cycle(double offSeconds, const Wait& wait, std::string&) override {
        wait(offSeconds);
        chip_->powerCycle();
        return true;
    }

private:
    std::shared_ptr<SimulatedChip> chip_;
};

}  // namespace

std::unique_ptr<BoardPower> makeGpioBoardPower(std::shared_ptr<GpioSystem> gpio,
                                               std::string chipLine) {
    return std::make_unique<GpioBoardPower>(std::move(gpio), std::move(chipLine));
}

std::unique_ptr<BoardPower> makeSimBoardPower(std::shared_ptr<SimulatedChip> chip) {
    return std::make_unique<SimBoardPower>(std::move(chip));
}
