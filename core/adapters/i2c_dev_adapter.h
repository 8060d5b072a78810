#pragma once
// Linux i2c-dev back-end: /dev/i2c-N with SMBus byte-data transfers, and the programming
// voltage on a GPIO line. Every failure is a negative errno as result code, with a one-line
// reason on standard error and in lastError().

#include <cstdint>
#include <memory>
#include <string>

#include "core/adapters/gpio_system.h"
#include "core/adapters/i2c_dev_system.h"
#include "core/adapters/pulse_line.h"
#include "core/link/talvex.h"

class I2cDevAdapter final : public Talvex {
public:
    // `bus` empty: the free devices are the buses that hang under a USB device; otherwise the
    // one bus the user named. `pulseGpio` is CHIP:LINE, or empty when no line is wired.
    I2cDevAdapter(std::string bus, std::string pulseGpio, std::shared_ptr<I2cDevSystem> system,
                  std::shared_ptr<GpioSystem> gpio);
    ~I2cDevAdapter() override;
    I2cDevAdapter(const I2cDevAdapter&) = delete;
    I2cDevAdapter& operator=(const I2cDevAdapter&) = delete;

    std::int32_t listFreeDevices(std::int32_t kind, std::int32_t& count,
                                 std::string& names) override;
    std::int32_t open(const std::string& name) override;
    void close() override;  // also switches the programming voltage off
    std::int32_t transfer(std::int32_t selector, std::int16_t& a, std::int16_t& b,
                          std::int16_t& c) override;
    std::int32_t holdPulseLine(std::string& reason) override;

    // The reason of the most recent failed call (or of an empty device list); empty after a
    // call that succeeded.
    const std::string& lastError() const { return lastError_; }
    std::string lastFailure() const override { return lastError_; }

private:
    // Closes its descriptor when dropped.
    class Bus {
    public:
        Bus(I2cDevSystem& system, int fd, std::string name)
            : system_(system), fd_(fd), name_(std::move(name)) {}
        ~Bus() { system_.closeDevice(fd_); }
        Bus(const Bus&) = delete;
        Bus& operator=(const Bus&) = delete;
        int fd() const { return fd_; }
        const std::string& name() const { return name_; }

    private:
        I2cDevSystem& system_;
        int fd_;
        std::string name_;
    };

    std::int32_t byteTransfer(bool write, std::int16_t device, std::int16_t reg,
                              std::int16_t& data);
    std::int32_t pulse(std::int16_t onOff);
    std::int32_t fail(std::int32_t rc, const std::string& reason);
    std::int32_t failTransfer(std::int32_t rc, const std::string& reason);
    std::string permissionHint(const std::string& path);

    std::string bus_;
    std::shared_ptr<I2cDevSystem> system_;
    PulseLine pulseLine_;
    std::unique_ptr<Bus> open_;
    int deviceAddress_ = -1;  // what I2C_SLAVE last set on the open bus
    std::string lastError_;
    std::int32_t reportedTransferError_ = 0;  // repeated transfer failures print once
};

// The back-end on the real kernel and gpiochip interfaces.
std::unique_ptr<Talvex> makeI2cDevAdapter(const std::string& bus, const std::string& pulseGpio);
