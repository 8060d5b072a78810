#pragma once
// The hardware back-ends of the platform the program is built for, behind one seam: on
// Linux the i2c-dev buses with a GPIO line for the programming voltage; on Windows none of
// its own yet, so that the simulator is what it offers.

#include <memory>
#include <string>

#include "core/link/talvex.h"

// The back-end for `bus` (empty: the first free USB-to-I2C bus the system has).
// `pulseGpio` is CHIP:LINE of the programming-voltage line, or empty.
std::unique_ptr<Talvex> makeHardwareAdapter(const std::string& bus, const std::string& pulseGpio);

// The bus that makeHardwareAdapter("") opens first, as "/dev/i2c-N"; empty when none.
std::string firstHardwareBus();
