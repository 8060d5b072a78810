#pragma once
// The bridge as a device on a USB/IP link: reads the host's commands from the byte stream,
// answers the standard control requests of enumeration itself and hands the vendor requests
// to TinyUsbBridge, so the chip behaves as it does behind the gadgetfs transport. Socket-free,
// so that the host tests drive it with bytes.

#include <cstdint>
#include <span>
#include <vector>

#include "tests/kernel/bridge/usbip_frames.h"

class TinyUsbBridge;

class UsbipDevice {
public:
    explicit UsbipDevice(TinyUsbBridge& bridge) : bridge_(bridge) {}

    // Takes the next bytes from the host and appends the reply to every command they complete
    // to `out`; a command split across reads waits for its rest. False when the stream is not
    // one the device can follow: the framing is lost and the link has to be dropped.
    bool receive(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& out);

    // Whether the host has chosen the configuration (SET_CONFIGURATION 1).
    bool configured() const { return configuration_ != 0; }

private:
    struct Setup {
        std::uint8_t requestType;
        std::uint8_t request;
        std::uint16_t value;
        std::uint16_t index;
        std::uint16_t length;
    };
    struct Reply {
        std::int32_t status;  // 0, or -EPIPE for a stall
        std::vector<std::uint8_t> data;
    };

    void answer(const usbip::Command& submit, std::span<const std::uint8_t> outData,
                std::vector<std::uint8_t>& out);
    Reply control(const Setup& setup, std::span<const std::uint8_t> outData);
    Reply standardRequest(const Setup& setup);

    TinyUsbBridge& bridge_;
    usbip::CommandReader reader_;
    std::uint8_t configuration_ = 0;
};
