#include "core/adapters/gpio_system.h"

// Windows has no gpiochip: a line named CHIP:LINE cannot be opened there.
std::shared_ptr<GpioSystem> makeGpioSystem() {
    return nullptr;
}

const char* missingGpioReason() {
    return "Windows has no GPIO chip lines: switch the programming voltage with --pulse-gpio "
           "hid:N, a pin of the USB bridge";
}
