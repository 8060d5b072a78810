#include "tests/kernel/bridge/usbip_device.h"

#include <linux/usb/ch9.h>

#include <algorithm>
#include <cerrno>

#include "tests/kernel/bridge/tiny_usb_bridge.h"
#include "tests/kernel/bridge/usb_descriptors.h"

namespace {

template <std::size_t N>
std::vector<std::uint8_t> bytesOf(const std::array<std::uint8_t, N>& descriptor) {
    return {descriptor.begin(), descriptor.end()};
}

}  // namespace

bool UsbipDevice::receive(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& out) {
    return reader_.take(
        bytes,
        [&](const usbip::Command& submit, std::span<const std::uint8_t> outData) {
            answer(submit, outData, out);
        },
        // Every submit is answered as soon as it arrives, so the transfer to cancel has
        // already completed: status 0 says there was nothing left to cancel.
        [&](const usbip::Command& unlink) { usbip::appendRetUnlink(out, unlink.seqnum, 0); });
}

void UsbipDevice::answer(const usbip::Command& submit, std::span<const std::uint8_t> outData,
                         std::vector<std::uint8_t>& out) {
    const bool in = submit.direction == usbip::kDirectionIn;
    const auto& s = submit.setup;
    const Setup setup{s[0], s[1], static_cast<std::uint16_t>(s[2] | s[3] << 8),
                      static_cast<std::uint16_t>(s[4] | s[5] << 8),
                      static_cast<std::uint16_t>(s[6] | s[7] << 8)};
    // Only ep0 exists; a request whose direction disagrees with its transfer is refused.
    if (submit.ep != 0 || in != ((setup.requestType & USB_DIR_IN) != 0)) {
        usbip::appendRetSubmit(out, submit, -EPIPE, {}, 0);
        return;
    }
    const Reply reply = control(setup, outData);
    if (reply.status != 0) {
        usbip::appendRetSubmit(out, submit, reply.status, {}, 0);
    } else if (in) {
        const std::size_t n =
            std::min({reply.data.size(), static_cast<std::size_t>(submit.transferLength),
                      static_cast<std::size_t>(setup.length)});
        usbip::appendRetSubmit(out, submit, 0, {reply.data.data(), n},
                               static_cast<std::int32_t>(n));
    } else {
        usbip::appendRetSubmit(out, submit, 0, {}, static_cast<std::int32_t>(outData.size()));
    }
}

UsbipDevice::Reply UsbipDevice::control(const Setup& setup, std::span<const std::uint8_t> outData) {
    const Reply stall{-EPIPE, {}};
    switch (setup.requestType & USB_TYPE_MASK) {
        case USB_TYPE_STANDARD:
            return standardRequest(setup);
        case USB_TYPE_VENDOR:
            if (setup.requestType & USB_DIR_IN) {
                auto data =
                    bridge_.controlIn(setup.request, setup.value, setup.index, setup.length);
                return data ? Reply{0, std::move(*data)} : stall;
            }
            return bridge_.controlOut(setup.request, setup.value, setup.index, outData)
                       ? Reply{0, {}}
                       : stall;
        default:
            return stall;
    }
}

// What the host's USB core asks during enumeration; SET_ADDRESS never arrives, the virtual
// host controller answers it itself.
UsbipDevice::Reply UsbipDevice::standardRequest(const Setup& setup) {
    const Reply stall{-EPIPE, {}};
    const bool in = (setup.requestType & USB_DIR_IN) != 0;
    switch (setup.request) {
        case USB_REQ_GET_DESCRIPTOR: {
            if (!in) return stall;
            const int type = setup.value >> 8;
            const int index = setup.value & 0xFF;
            if (type == USB_DT_DEVICE) return {0, bytesOf(bridge_usb::kDeviceDescriptor)};
            if (type == USB_DT_CONFIG && index == 0)
                return {0, bytesOf(bridge_usb::kConfigDescriptor)};
            if (type == USB_DT_STRING && index == 0)
                return {0, bytesOf(bridge_usb::kLanguagesDescriptor)};
            return stall;
        }
        case USB_REQ_SET_CONFIGURATION:
            if (in || setup.value > 1) return stall;
            configuration_ = static_cast<std::uint8_t>(setup.value);
            return {0, {}};
        case USB_REQ_GET_CONFIGURATION:
            return in ? Reply{0, {configuration_}} : stall;
        case USB_REQ_GET_STATUS:
            return in ? Reply{0, {0, 0}} : stall;
        case USB_REQ_SET_INTERFACE:
            // Interface 0 has only its alternate setting 0.
            return !in && setup.value == 0 && setup.index == 0 ? Reply{0, {}} : stall;
        default:
            return stall;
    }
}
