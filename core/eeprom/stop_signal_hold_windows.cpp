#include "core/eeprom/stop_signal_hold.h"

namespace eeprom {

StopSignalHold::StopSignalHold() = default;
StopSignalHold::~StopSignalHold() = default;

}  // namespace eeprom
