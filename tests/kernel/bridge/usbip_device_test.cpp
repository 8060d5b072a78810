#include "tests/kernel/bridge/usbip_device.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/chip/register_map.h"
#include "core/sim/simulated_chip.h"
#include "tests/kernel/bridge/tiny_usb_bridge.h"
#include "tests/kernel/bridge/usb_descriptors.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The wire format written out here by hand, apart from the code under test.
void put(Bytes& b, std::uint32_t word) {
    for (int shift = 24; shift >= 0; shift -= 8)
        b.push_back(static_cast<std::uint8_t>(word >> shift));
}
Bytes setup(std::uint8_t type, std::uint8_t request, std::uint16_t value, std::uint16_t index,
            std::uint16_t length) {
    return {type,
            request,
            static_cast<std::uint8_t>(value),
            static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(index),
            static_cast<std::uint8_t>(index >> 8),
            static_cast<std::uint8_t>(length),
            static_cast<std::uint8_t>(length >> 8)};
}
Bytes submit(std::uint32_t seq, bool in, std::uint32_t ep, const Bytes& request,
             std::uint32_t length, const Bytes& outData = {}) {
    Bytes b;
    for (const std::uint32_t w : {1u, seq, 0x10002u, in ? 1u : 0u, ep, 0u, length, 0u, 0u, 0u})
        put(b, w);
    b.insert(b.end(), request.begin(), request.end());
    b.insert(b.end(), outData.begin(), outData.end());
    return b;
}
Bytes unlink(std::uint32_t seq, std::uint32_t target) {
    Bytes b;
    for (const std::uint32_t w : {2u, seq, 0x10002u, 0u, 0u, target}) put(b, w);
    b.resize(48, 0);
    return b;
}
Bytes reply(std::uint32_t command, std::uint32_t seq, std::int32_t status, std::int32_t actual = 0,
            const Bytes& data = {}) {
    Bytes b;
    put(b, command);
    put(b, seq);
    b.resize(20, 0);
    put(b, static_cast<std::uint32_t>(status));
    if (command == 3) put(b, static_cast<std::uint32_t>(actual));
    b.resize(48, 0);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}
Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

constexpr std::int32_t kStall = -32;  // -EPIPE
constexpr std::uint8_t kIo = TinyUsbBridge::kI2cIo;
constexpr std::uint8_t kBegin = TinyUsbBridge::kI2cIoBegin;
constexpr std::uint8_t kEnd = TinyUsbBridge::kI2cIoEnd;
const Bytes kDevice(bridge_usb::kDeviceDescriptor.begin(), bridge_usb::kDeviceDescriptor.end());
const Bytes kConfig(bridge_usb::kConfigDescriptor.begin(), bridge_usb::kConfigDescriptor.end());

struct Exchange {
    const char* what;
    Bytes fromHost;
    Bytes expected;  // every reply, as the host reads it
    bool inStep = true;
};

// Enumeration as the kernel's USB core does it, then the driver's I2C traffic, in order on one
// device. Each exchange also arrives cut in two, to cover a command split across reads.
TEST(UsbipDeviceTest, AnswersTheHostFrameByFrame) {
    SimulatedChip chip;
    TinyUsbBridge bridge(chip, 0x20);
    UsbipDevice device(bridge);
    const std::vector<Exchange> exchanges{
        {"device descriptor, more asked than there is",
         submit(1, true, 0, setup(0x80, 6, 0x0100, 0, 64), 64), reply(3, 1, 0, 18, kDevice)},
        {"configuration descriptor, its first 9 bytes",
         submit(2, true, 0, setup(0x80, 6, 0x0200, 0, 9), 9),
         reply(3, 2, 0, 9, Bytes(kConfig.begin(), kConfig.begin() + 9))},
        {"languages", submit(3, true, 0, setup(0x80, 6, 0x0300, 0, 255), 255),
         reply(3, 3, 0, 4, {4, 3, 0x09, 0x04})},
        {"a string the device lacks stalls",
         submit(4, true, 0, setup(0x80, 6, 0x0301, 0x0409, 255), 255), reply(3, 4, kStall)},
        {"set configuration", submit(5, false, 0, setup(0x00, 9, 1, 0, 0), 0), reply(3, 5, 0)},
        {"I2C write, then its status, in one read",
         submit(6, false, 0, setup(0x41, kIo | kBegin | kEnd, 0, 0x20, 2), 2,
                {chip::CELL_BALANCE, 0x5A}) +
             submit(7, true, 0, setup(0xC1, TinyUsbBridge::kGetStatus, 0, 0, 1), 1),
         reply(3, 6, 0, 2) + reply(3, 7, 0, 1, {TinyUsbBridge::kStatusAck})},
        {"I2C read back",
         submit(8, false, 0, setup(0x41, kIo | kBegin, 0, 0x20, 1), 1, {chip::CELL_BALANCE}) +
             submit(9, true, 0, setup(0xC1, kIo | kEnd, 1, 0x20, 1), 1),
         reply(3, 8, 0, 1) + reply(3, 9, 0, 1, {0x5A})},
        {"unknown vendor request stalls", submit(10, true, 0, setup(0xC1, 0x40, 0, 0, 1), 1),
         reply(3, 10, kStall)},
        {"an endpoint the device lacks stalls", submit(11, true, 1, Bytes(8, 0), 64),
         reply(3, 11, kStall)},
        {"direction against the request stalls",
         submit(12, false, 0, setup(0x80, 6, 0x0100, 0, 0), 0), reply(3, 12, kStall)},
        {"unlink of a transfer already answered", unlink(13, 9), reply(4, 13, 0)},
        {"not a command", reply(3, 14, 0), {}, false},
    };
    for (std::size_t i = 0; i < exchanges.size(); ++i) {
        const Exchange& e = exchanges[i];
        SCOPED_TRACE(e.what);
        const std::size_t cut = 1 + (i * 13) % (e.fromHost.size() - 1);
        Bytes out;
        ASSERT_TRUE(device.receive({e.fromHost.data(), cut}, out));
        const bool inStep = device.receive({e.fromHost.data() + cut, e.fromHost.size() - cut}, out);
        EXPECT_EQ(inStep, e.inStep);
        EXPECT_EQ(out, e.expected);
    }
    EXPECT_TRUE(device.configured());
}

}  // namespace
