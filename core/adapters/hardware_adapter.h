#pragma once
// The hardware back-ends of the platform the program is built for, behind one seam: on
// Linux the i2c-dev buses with a GPIO line for the programming voltage and the USB bridges
// through their HID reports; on Windows the USB bridges through the system's HID driver.

#include <memory>
#include <string>

#include "core/link/talvex.h"

// The back-end for `adapter`: "i2c-dev" (the first free USB-to-I2C means the system has),
// "hid", "hid:SERIAL" or "hid:PATH" (a USB bridge through its HID reports), or a bus path.
// `pulseGpio` is CHIP:LINE of the programming-voltage line, hid:N of a bridge's pin, or empty.
std::unique_ptr<Talvex> makeHardwareAdapter(const std::string& adapter,
                                            const std::string& pulseGpio);

// What makeHardwareAdapter("i2c-dev") opens first: "/dev/i2c-N" on Linux, "hid:SERIAL" or
// "hid:PATH" on Windows; empty when none.
std::string firstHardwareBus();

// Whether the back-end for `adapter` writes its failures to standard error itself (the
// i2c-dev buses do); for the others the front end tells their lastFailure().
bool hardwareAdapterTellsFailures(const std::string& adapter);
