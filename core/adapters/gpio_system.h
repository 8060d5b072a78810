#pragma once
// The GPIO calls that drive the programming voltage, behind an interface so that tests can
// play the gpiochip. Handles are small integers; results are >= 0 on success, else -errno.

#include <memory>
#include <string>

class GpioSystem {
public:
    virtual ~GpioSystem() = default;

    // Opens a chip named as a gpiochip name ("gpiochip0"), a /dev path, a number or a label.
    virtual int openChip(const std::string& chip) = 0;
    virtual void closeChip(int chip) = 0;  // also gives up any line still requested on it
    virtual int lineCount(int chip) = 0;
    virtual int findLine(int chip, const std::string& name) = 0;  // offset; -ENOENT if none

    // Requests one line as an output driven to `value`; returns a line handle.
    virtual int requestOutput(int chip, unsigned offset, const std::string& consumer,
                              int value) = 0;
    virtual int setValue(int line, int value) = 0;
    virtual void releaseLine(int line) = 0;
};

// The real gpiochip interface (libgpiod), or nullptr when this build has none.
std::shared_ptr<GpioSystem> makeGpioSystem();
// Why makeGpioSystem() gives none, in words for the user.
const char* missingGpioReason();
