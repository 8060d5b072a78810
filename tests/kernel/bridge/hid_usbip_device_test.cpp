// The HID bridges as USB/IP devices: what the host's USB and HID cores ask while binding, a
// feature report through the control pipe, and interrupt transfers, an IN one waiting for
// the bridge's answer.

#include "tests/kernel/bridge/hid_usbip_device.h"

#include <gtest/gtest.h>

#include "core/sim/simulated_chip.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void put(Bytes& b, std::uint32_t word) {
    for (int shift = 24; shift >= 0; shift -= 8)
        b.push_back(static_cast<std::uint8_t>(word >> shift));
}
Bytes submit(std::uint32_t seq, bool in, std::uint32_t ep, const Bytes& setup, std::uint32_t length,
             const Bytes& outData = {}) {
    Bytes b;
    for (const std::uint32_t w : {1u, seq, 0x10002u, in ? 1u : 0u, ep, 0u, length, 0u, 0u, 0u})
        put(b, w);
    Bytes s = setup;
    s.resize(8, 0);
    b.insert(b.end(), s.begin(), s.end());
    b.insert(b.end(), outData.begin(), outData.end());
    return b;
}
Bytes unlink(std::uint32_t seq, std::uint32_t target) {
    Bytes b;
    for (const std::uint32_t w : {2u, seq, 0x10002u, 0u, 0u, target}) put(b, w);
    b.resize(48, 0);
    return b;
}
std::uint32_t word(const Bytes& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at] << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3]);
}
// The data of the one reply in `out`, after checking its command, seqnum and status.
Bytes replyData(const Bytes& out, std::uint32_t command, std::uint32_t seq,
                std::int32_t status = 0) {
    EXPECT_GE(out.size(), 48u);
    if (out.size() < 48) return {};
    EXPECT_EQ(word(out, 0), command);
    EXPECT_EQ(word(out, 4), seq);
    EXPECT_EQ(static_cast<std::int32_t>(word(out, 20)), status);
    return {out.begin() + 48, out.end()};
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(HidUsbipDevice, BindsAsAHidBridgeAndCarriesItsReports) {
    SimulatedChip chip;
    Cp2112Emulator cp2112(chip, 0x20, 3);
    Mcp2221Emulator mcp2221(chip, 0x20, 3);
    for (auto [model, bridge, vid, pid] :
         {std::tuple<HidUsbipDevice::Model, BridgeEmulator*, int, int>{
              HidUsbipDevice::Model::Cp2112, &cp2112, 0x10C4, 0xEA90},
          {HidUsbipDevice::Model::Mcp2221, &mcp2221, 0x04D8, 0x00DD}}) {
        SCOPED_TRACE(vid);
        HidUsbipDevice device(*bridge, model, "RIG1");
        Bytes out;
        ASSERT_TRUE(device.receive(submit(1, true, 0, {0x80, 6, 0, 1, 0, 0, 18, 0}, 18), out));
        const Bytes descriptor = replyData(out, 3, 1);
        ASSERT_EQ(descriptor.size(), 18u);
        EXPECT_EQ(descriptor[8] | descriptor[9] << 8, vid);
        EXPECT_EQ(descriptor[10] | descriptor[11] << 8, pid);

        out.clear();
        device.receive(submit(2, true, 0, {0x80, 6, 0, 2, 0, 0, 255, 0}, 255), out);
        const Bytes config = replyData(out, 3, 2);
        ASSERT_EQ(config.size(), 41u);
        EXPECT_EQ(config[14], 3) << "a HID interface";
        EXPECT_EQ(config[27 + 2], 0x81);
        EXPECT_EQ(config[34 + 2], 0x01);

        out.clear();
        device.receive(submit(3, true, 0, {0x81, 6, 0, 0x22, 0, 0, 0, 1}, 256), out);
        EXPECT_EQ(replyData(out, 3, 3).size(), device.reportDescriptor().size());

        out.clear();
        device.receive(submit(4, true, 0, {0x80, 6, 3, 3, 9, 4, 255, 0}, 255), out);
        EXPECT_EQ(replyData(out, 3, 4), (Bytes{10, 3, 'R', 0, 'I', 0, 'G', 0, '1', 0}));

        // Interrupt transfers wait for the configuration.
        out.clear();
        device.receive(submit(5, true, 1, {}, 64), out);
        replyData(out, 3, 5, -EPIPE);
        out.clear();
        device.receive(submit(6, false, 0, {0x00, 9, 1, 0, 0, 0, 0, 0}, 0), out);
        replyData(out, 3, 6);
        EXPECT_TRUE(device.configured());

        // An IN transfer waits; the status request's answer completes it.
        out.clear();
        device.receive(submit(7, true, 1, {}, 64), out);
        EXPECT_TRUE(out.empty()) << "nothing to give yet";
        const Bytes request =
            model == HidUsbipDevice::Model::Cp2112 ? Bytes{0x15, 0x01} : Bytes{0x10};
        device.receive(submit(8, false, 1, {}, static_cast<std::uint32_t>(request.size()), request),
                       out);
        ASSERT_EQ(out.size(), 48u + 48u + 64u);
        replyData(Bytes(out.begin(), out.begin() + 48), 3, 8);
        const Bytes answer = replyData(Bytes(out.begin() + 48, out.end()), 3, 7);
        EXPECT_EQ(answer[0], model == HidUsbipDevice::Model::Cp2112 ? 0x16 : 0x10);

        // A waiting IN transfer that the host gives up is unlinked.
        out.clear();
        device.receive(submit(9, true, 1, {}, 64) + unlink(10, 9), out);
        replyData(out, 4, 10, -ECONNRESET);
    }

    // The CP2112's feature reports through the control pipe: set the GPIO latch, read it.
    HidUsbipDevice device(cp2112, HidUsbipDevice::Model::Cp2112, "RIG1");
    Bytes out;
    device.receive(submit(1, false, 0, {0x21, 9, 0x04, 0x03, 0, 0, 3, 0}, 3, {0x04, 0x00, 0x08}),
                   out);
    replyData(out, 3, 1);
    EXPECT_EQ(cp2112.latch & 0x08, 0);
    out.clear();
    device.receive(submit(2, true, 0, {0xA1, 1, 0x02, 0x03, 0, 0, 5, 0}, 5), out);
    EXPECT_EQ(replyData(out, 3, 2), (Bytes{0x02, 0x00, 0x00, 0x07, 0x00}));
}
