#pragma once
// The device side of the USB bridges, at the level of their HID reports, with our simulated
// chip as the one device on their I2C bus: the unit tests put them where hidapi would be,
// and the kernel rig puts them behind a USB device. Faults: a NAK, a transfer that never
// ends, a bus held low, a bridge that is gone or that stops answering.

#include <cerrno>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/adapters/hid_device.h"

class SimulatedChip;

struct BridgeFaults {
    bool nak = false;        // nothing on the bus acknowledges
    bool endless = false;    // a transfer, once started, reports "busy" until cancelled
    bool stuckBus = false;   // SCL held low: every transfer ends in a bus error
    bool unplugged = false;  // every call fails as for a device that is gone
    bool silent = false;     // requests are taken, no input report ever comes
};

class BridgeEmulator : public HidDevice {
public:
    BridgeEmulator(SimulatedChip& chip, std::uint8_t chipAddress, int voltagePin);

    int read(std::span<std::uint8_t> buffer, int timeoutMs) override;

    BridgeFaults faults;
    // One entry per report the host sent: "out 11", "get 06", "set 04"; the MCP2221 logs
    // its command codes as "out 90".
    std::vector<std::string> log;
    std::string logText() const;  // the entries joined by spaces
    int cancels = 0;              // transfers cancelled by the host
    // The last byte the chip's programming register took: whether a run left it armed.
    std::optional<std::uint8_t> programRegister;
    bool voltageOn() const { return voltage_; }

    // Whether the pin is driven high as an output.
    virtual bool pinDrivesHigh(int pin) const = 0;

protected:
    // One I2C message to the bus; false when not acknowledged. A write's first byte sets the
    // chip's register pointer, a second byte is written there; a read reads from the pointer.
    bool i2cWrite(std::uint8_t address, std::span<const std::uint8_t> bytes);
    bool i2cRead(std::uint8_t address, std::size_t count, std::vector<std::uint8_t>& out);
    void queue(std::vector<std::uint8_t> report) { input_.push_back(std::move(report)); }
    void note(const char* what, std::uint8_t id);
    // After any pin change: the chip sees the voltage pin's level.
    void updateVoltage();
    int gone() const;

private:
    SimulatedChip& chip_;
    std::uint8_t chipAddress_;
    int voltagePin_;
    bool voltage_ = false;
    std::uint8_t pointer_ = 0;
    std::deque<std::vector<std::uint8_t>> input_;
};

// USB ID 10C4:EA90.
class Cp2112Emulator final : public BridgeEmulator {
public:
    using BridgeEmulator::BridgeEmulator;

    int write(std::span<const std::uint8_t> report) override;
    int getFeature(std::span<std::uint8_t> buffer) override;
    int sendFeature(std::span<const std::uint8_t> report) override;
    bool pinDrivesHigh(int pin) const override;

    // What the host set: the SMBus configuration (13 bytes after the report ID) and the GPIO
    // direction, push-pull and special-function masks and latch.
    std::vector<std::uint8_t> smbusConfig{0x00, 0x01, 0x86, 0xA0, 0x02, 0x00, 0x00,
                                          0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    std::uint8_t direction = 0, pushPull = 0, special = 0x07, latch = 0xFF;

private:
    void transfer(std::uint8_t address, std::span<const std::uint8_t> writeBytes,
                  std::size_t readCount);
    std::uint8_t status0_ = 0, status1_ = 0;
    std::vector<std::uint8_t> readData_;
};

// USB ID 04D8:00DD.
class Mcp2221Emulator final : public BridgeEmulator {
public:
    using BridgeEmulator::BridgeEmulator;

    int write(std::span<const std::uint8_t> report) override;
    int getFeature(std::span<std::uint8_t>) override { return -EPIPE; }
    int sendFeature(std::span<const std::uint8_t>) override { return -EPIPE; }
    bool pinDrivesHigh(int pin) const override;

    std::uint8_t divider = 0x1A;  // 400 kHz until told otherwise
    struct Pin {
        bool gpio = true;  // designated as GPIO rather than another function
        bool input = true;
        bool value = false;
    };
    Pin pins[4];

private:
    std::vector<std::uint8_t> answer(std::span<const std::uint8_t> command);
    // A finished or failed message sets the engine state; data waits for "get data".
    void message(bool read, std::uint8_t address8, std::span<const std::uint8_t> bytes,
                 std::size_t count);
    std::uint8_t state_ = 0;
    bool nakFlag_ = false;
    std::vector<std::uint8_t> readData_;
};
