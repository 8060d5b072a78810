#pragma once
// Linux i2c-dev back-end: /dev/i2c-N with SMBus byte-data transfers, and the programming
// voltage on a GPIO line.

#include <memory>
#include <string>

#include "link/talvex.h"

// `bus` empty: the free devices are the buses that hang under a USB device; otherwise the
// one bus the user named. `pulseGpio` is CHIP:LINE, or empty when no line is wired.
std::unique_ptr<Talvex> makeI2cDevAdapter(const std::string& bus, const std::string& pulseGpio);
