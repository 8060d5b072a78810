#pragma once
// The programming-voltage line: one GPIO output, requested and driven high only while the
// voltage is on, driven low and given back when it goes off. Destruction switches it off,
// so no path leaves the voltage on.

#include <memory>
#include <string>

#include "core/adapters/gpio_system.h"

class PulseLine {
public:
    // `chipLine` is CHIP:LINE (chip: gpiochip name, /dev path, number or label; line: an offset
    // or a line name), or empty when no line is wired. `gpio` is null in a build without
    // GPIO support.
    PulseLine(std::shared_ptr<GpioSystem> gpio, std::string chipLine);
    ~PulseLine();
    PulseLine(const PulseLine&) = delete;
    PulseLine& operator=(const PulseLine&) = delete;

    // 0, or -errno with `reason` set.
    // Requests the line driven low and keeps it, so that a line that cannot be had is found
    // out before the chip is armed rather than at the pulse.
    int hold(std::string& reason);
    int switchOn(std::string& reason);
    int switchOff(std::string& reason);
    // Switches off if on, whatever the configuration; for close and teardown.
    int release(std::string& reason);

    bool held() const { return line_ >= 0; }

private:
    int request(int value, std::string& reason);
    int unusable(std::string& reason) const;
    int resolveOffset(int chip, const std::string& lineName, std::string& reason);

    std::shared_ptr<GpioSystem> gpio_;
    std::string chipLine_;
    int chip_ = -1;  // open while the line is held
    int line_ = -1;
};
