#pragma once
// A CP2112 or MCP2221 bridge as a device on a USB/IP link: the descriptors of a HID device
// with an interrupt endpoint each way, the HID class requests (feature reports, idle), and
// the interrupt transfers handed to the bridge's emulated device side. An interrupt-IN
// transfer waits until the bridge has a report to give. Socket-free, so that the host tests
// drive it with bytes.

#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <vector>

#include "tests/kernel/bridge/usbip_frames.h"
#include "tests/support/bridge_emulator.h"

class HidUsbipDevice {
public:
    enum class Model { Cp2112, Mcp2221 };

    HidUsbipDevice(BridgeEmulator& bridge, Model model, std::string serial);

    // As UsbipDevice::receive; also completes waiting interrupt-IN transfers.
    bool receive(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& out);
    // Completes waiting interrupt-IN transfers with the reports the bridge has now.
    void flush(std::vector<std::uint8_t>& out);

    bool configured() const { return configuration_ != 0; }

    std::vector<std::uint8_t> deviceDescriptor() const;
    std::vector<std::uint8_t> configDescriptor() const;
    const std::vector<std::uint8_t>& reportDescriptor() const { return report_; }

private:
    struct Reply {
        std::int32_t status;  // 0, or -EPIPE for a stall
        std::vector<std::uint8_t> data;
    };

    void submit(const usbip::Command& command, std::span<const std::uint8_t> outData,
                std::vector<std::uint8_t>& out);
    Reply control(const usbip::Command& command, std::span<const std::uint8_t> outData);
    Reply standardRequest(std::uint8_t type, std::uint8_t request, std::uint16_t value);
    // An output report as the bus carries it, to the bridge (report ID first, 64 bytes).
    void toBridge(std::span<const std::uint8_t> report);
    std::vector<std::uint8_t> stringDescriptor(int index) const;

    BridgeEmulator& bridge_;
    Model model_;
    std::string serial_;
    std::vector<std::uint8_t> report_;
    usbip::CommandReader reader_;
    std::deque<usbip::Command> waitingIn_;
    std::uint8_t configuration_ = 0;
};
