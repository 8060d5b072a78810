#pragma once
// The device side of a tiny USB-to-I2C bridge: answers the vendor control requests that
// the kernel's i2c-tiny-usb driver sends, with our simulated chip as the only device on the
// bus. Toolkit- and USB-free, so that the host tests drive it directly.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

class SimulatedChip;

class TinyUsbBridge {
public:
    // Requests of the driver (bRequest); CMD_I2C_IO carries begin/end flags in bits 0 and 1.
    static constexpr std::uint8_t kEcho = 0;
    static constexpr std::uint8_t kGetFunc = 1;
    static constexpr std::uint8_t kSetDelay = 2;
    static constexpr std::uint8_t kGetStatus = 3;
    static constexpr std::uint8_t kI2cIo = 4;
    static constexpr std::uint8_t kI2cIoBegin = 1;
    static constexpr std::uint8_t kI2cIoEnd = 2;

    // The status byte after each message.
    static constexpr std::uint8_t kStatusIdle = 0;
    static constexpr std::uint8_t kStatusAck = 1;
    static constexpr std::uint8_t kStatusNak = 2;

    // What the bridge offers: plain I2C messages, with SMBus emulated by the kernel on top.
    // Values of the kernel's I2C_FUNC_I2C and I2C_FUNC_SMBUS_EMUL.
    static constexpr std::uint32_t kFunctions = 0x00000001u | 0x0eff0008u;

    TinyUsbBridge(SimulatedChip& chip, std::uint8_t deviceAddress);

    // A device-to-host request; nullopt means stall.
    std::optional<std::vector<std::uint8_t>> controlIn(std::uint8_t request, std::uint16_t value,
                                                       std::uint16_t index, std::uint16_t length);
    // A host-to-device request with its data; false means the request is not known.
    bool controlOut(std::uint8_t request, std::uint16_t value, std::uint16_t index,
                    std::span<const std::uint8_t> data);

    std::uint16_t bitDelayMicroseconds() const { return delay_; }
    // The last byte written to the programming register 0x0B, as the chip holds it: what
    // tells whether a run left the chip armed.
    std::optional<std::uint8_t> programRegister() const { return programRegister_; }

private:
    bool isI2cIo(std::uint8_t request) const { return (request & ~0x03u) == kI2cIo; }
    // One I2C message; returns the bytes read (empty for a write) and sets status_.
    std::vector<std::uint8_t> message(bool read, std::uint16_t address,
                                      std::span<const std::uint8_t> data, std::uint16_t length);

    SimulatedChip& chip_;
    std::uint8_t deviceAddress_;
    std::uint8_t pointer_ = 0;  // the chip's register pointer, set by the first byte written
    std::uint8_t status_ = kStatusIdle;
    std::uint16_t delay_ = 0;
    std::optional<std::uint8_t> programRegister_;
};
