#pragma once
// Holds a terminal stop (Ctrl-Z, SIGTSTP) for as long as the chip is armed: a process
// stopped with the programming voltage on would keep it on for as long as it stays stopped.
// The stop takes effect when the last hold ends, once every chip is safe.

namespace eeprom {

class StopSignalHold {
public:
    StopSignalHold();
    ~StopSignalHold();
    StopSignalHold(const StopSignalHold&) = delete;
    StopSignalHold& operator=(const StopSignalHold&) = delete;
};

}  // namespace eeprom
