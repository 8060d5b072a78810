#pragma once
// The bus a run talks to, named as the classic I2C tools name it.

#include <string>

#include "core/adapters/adapter_setup.h"

namespace cli {

// "i2c-7" for /dev/i2c-7, "sim" for the simulator, the hid names as given, and for i2c-dev the first bus under a
// USB device, which is the one the session opens; "" when there is none.
std::string busName(const AdapterOptions& options);

}  // namespace cli
