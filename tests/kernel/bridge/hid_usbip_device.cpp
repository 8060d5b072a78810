#include "tests/kernel/bridge/hid_usbip_device.h"

#include <linux/usb/ch9.h>

#include <algorithm>
#include <cerrno>

#include "core/adapters/hid_bridge.h"

namespace {

constexpr std::uint8_t kHidDescriptor = 0x21;
constexpr std::uint8_t kReportDescriptor = 0x22;
constexpr std::uint8_t kGetReport = 0x01;
constexpr std::uint8_t kSetReport = 0x09;
constexpr std::uint8_t kSetIdle = 0x0A;
constexpr std::uint8_t kFeature = 3;
constexpr std::uint8_t kOutput = 2;

// One vendor-defined report: its ID (0 for none), byte count and kind (0x81 input, 0x91
// output, 0xB1 feature, each "data, variable, absolute").
void addReport(std::vector<std::uint8_t>& d, std::uint8_t id, std::uint8_t count,
               std::uint8_t kind) {
    if (id != 0) d.insert(d.end(), {0x85, id});
    d.insert(d.end(), {0x75, 0x08, 0x95, count, 0x09, 0x01, kind, 0x02});
}

std::vector<std::uint8_t> reportDescriptorOf(HidUsbipDevice::Model model) {
    std::vector<std::uint8_t> d{0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1,
                                0x01, 0x15, 0x00, 0x26, 0xFF, 0x00};
    if (model == HidUsbipDevice::Model::Mcp2221) {
        addReport(d, 0, 64, 0x81);
        addReport(d, 0, 64, 0x91);
    } else {
        for (const auto& [id, count] : {std::pair<std::uint8_t, std::uint8_t>{0x01, 1},
                                        {0x02, 4},
                                        {0x03, 1},
                                        {0x04, 2},
                                        {0x05, 2},
                                        {0x06, 13}})
            addReport(d, id, count, 0xB1);
        for (const auto& [id, count] : {std::pair<std::uint8_t, std::uint8_t>{0x10, 3},
                                        {0x11, 20},
                                        {0x12, 2},
                                        {0x14, 63},
                                        {0x15, 1},
                                        {0x17, 1}})
            addReport(d, id, count, 0x91);
        addReport(d, 0x13, 63, 0x81);
        addReport(d, 0x16, 6, 0x81);
    }
    d.push_back(0xC0);
    return d;
}

}  // namespace

HidUsbipDevice::HidUsbipDevice(BridgeEmulator& bridge, Model model, std::string serial)
    : bridge_(bridge),
      model_(model),
      serial_(std::move(serial)),
      report_(reportDescriptorOf(model)) {}

std::vector<std::uint8_t> HidUsbipDevice::deviceDescriptor() const {
    const HidBridgeModel& m = model_ == Model::Cp2112 ? kCp2112 : kMcp2221;
    return {18,
            USB_DT_DEVICE,
            0x00,
            0x02,
            0,
            0,
            0,
            64,
            static_cast<std::uint8_t>(m.vendorId),
            static_cast<std::uint8_t>(m.vendorId >> 8),
            static_cast<std::uint8_t>(m.productId),
            static_cast<std::uint8_t>(m.productId >> 8),
            0x00,
            0x01,
            1,
            2,
            static_cast<std::uint8_t>(serial_.empty() ? 0 : 3),
            1};
}

std::vector<std::uint8_t> HidUsbipDevice::configDescriptor() const {
    const auto reportLength = static_cast<std::uint16_t>(report_.size());
    return {9, USB_DT_CONFIG, 41, 0, 1, 1, 0, USB_CONFIG_ATT_ONE, 50,
            // one HID interface, two endpoints
            9, USB_DT_INTERFACE, 0, 0, 2, USB_CLASS_HID, 0, 0, 0,
            // HID 1.11, one report descriptor
            9, kHidDescriptor, 0x11, 0x01, 0, 1, kReportDescriptor,
            static_cast<std::uint8_t>(reportLength), static_cast<std::uint8_t>(reportLength >> 8),
            // interrupt IN and OUT, 64 bytes, every frame
            7, USB_DT_ENDPOINT, 0x81, USB_ENDPOINT_XFER_INT, 64, 0, 1, 7, USB_DT_ENDPOINT, 0x01,
            USB_ENDPOINT_XFER_INT, 64, 0, 1};
}

std::vector<std::uint8_t> HidUsbipDevice::stringDescriptor(int index) const {
    if (index == 0) return {4, USB_DT_STRING, 0x09, 0x04};
    std::string text;
    if (index == 1) text = model_ == Model::Cp2112 ? "Silicon Labs" : "Microchip Technology Inc.";
    if (index == 2)
        text = model_ == Model::Cp2112 ? "CP2112 HID USB-to-SMBus Bridge"
                                       : "MCP2221 USB-I2C/UART Combo";
    if (index == 3) text = serial_;
    if (text.empty()) return {};
    std::vector<std::uint8_t> d{static_cast<std::uint8_t>(2 + 2 * text.size()), USB_DT_STRING};
    for (const char c : text) d.insert(d.end(), {static_cast<std::uint8_t>(c), 0});
    return d;
}

bool HidUsbipDevice::receive(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& out) {
    const bool ok = reader_.take(
        bytes,
        [&](const usbip::Command& command, std::span<const std::uint8_t> outData) {
            submit(command, outData, out);
        },
        [&](const usbip::Command& unlink) {
            const auto waiting = std::find_if(
                waitingIn_.begin(), waitingIn_.end(),
                [&](const usbip::Command& c) { return c.seqnum == unlink.unlinkSeqnum; });
            const bool found = waiting != waitingIn_.end();
            if (found) waitingIn_.erase(waiting);
            usbip::appendRetUnlink(out, unlink.seqnum, found ? -ECONNRESET : 0);
        });
    if (ok) flush(out);
    return ok;
}

void HidUsbipDevice::flush(std::vector<std::uint8_t>& out) {
    while (!waitingIn_.empty()) {
        std::vector<std::uint8_t> report(64, 0);
        const int n = bridge_.read(report, 0);
        if (n <= 0) return;
        const usbip::Command command = waitingIn_.front();
        waitingIn_.pop_front();
        const auto length = std::min<std::size_t>(static_cast<std::size_t>(n),
                                                  static_cast<std::size_t>(command.transferLength));
        usbip::appendRetSubmit(out, command, 0, {report.data(), length},
                               static_cast<std::int32_t>(length));
    }
}

void HidUsbipDevice::toBridge(std::span<const std::uint8_t> report) {
    // The unnumbered reports of the MCP2221 travel without an ID; the emulator takes them as
    // hidapi gives them, behind a 0.
    std::vector<std::uint8_t> full;
    if (model_ == Model::Mcp2221) full.push_back(0);
    full.insert(full.end(), report.begin(), report.end());
    full.resize(model_ == Model::Mcp2221 ? 65 : 64, 0);
    bridge_.write(full);
}

void HidUsbipDevice::submit(const usbip::Command& command, std::span<const std::uint8_t> outData,
                            std::vector<std::uint8_t>& out) {
    const bool in = command.direction == usbip::kDirectionIn;
    if (command.ep == 1) {
        if (!configured()) {
            usbip::appendRetSubmit(out, command, -EPIPE, {}, 0);
        } else if (in) {
            waitingIn_.push_back(command);
        } else {
            toBridge(outData);
            usbip::appendRetSubmit(out, command, 0, {}, static_cast<std::int32_t>(outData.size()));
        }
        return;
    }
    if (command.ep != 0 || in != ((command.setup[0] & USB_DIR_IN) != 0)) {
        usbip::appendRetSubmit(out, command, -EPIPE, {}, 0);
        return;
    }
    const Reply reply = control(command, outData);
    const std::uint16_t length =
        static_cast<std::uint16_t>(command.setup[6] | command.setup[7] << 8);
    if (reply.status != 0) {
        usbip::appendRetSubmit(out, command, reply.status, {}, 0);
    } else if (in) {
        const std::size_t n =
            std::min({reply.data.size(), static_cast<std::size_t>(command.transferLength),
                      static_cast<std::size_t>(length)});
        usbip::appendRetSubmit(out, command, 0, {reply.data.data(), n},
                               static_cast<std::int32_t>(n));
    } else {
        usbip::appendRetSubmit(out, command, 0, {}, static_cast<std::int32_t>(outData.size()));
    }
}

HidUsbipDevice::Reply HidUsbipDevice::control(const usbip::Command& command,
                                              std::span<const std::uint8_t> outData) {
    const Reply stall{-EPIPE, {}};
    const auto& s = command.setup;
    const std::uint8_t type = s[0], request = s[1];
    const auto value = static_cast<std::uint16_t>(s[2] | s[3] << 8);
    const auto length = static_cast<std::uint16_t>(s[6] | s[7] << 8);
    if ((type & USB_TYPE_MASK) == USB_TYPE_STANDARD) return standardRequest(type, request, value);
    if ((type & USB_TYPE_MASK) != USB_TYPE_CLASS) return stall;
    const std::uint8_t reportType = value >> 8, reportId = value & 0xFF;
    switch (request) {
        case kSetIdle:
            return {0, {}};
        case kGetReport: {
            if (reportType != kFeature) return stall;
            std::vector<std::uint8_t> report(std::max<std::size_t>(length, 2), 0);
            report[0] = reportId;
            const int n = bridge_.getFeature(report);
            if (n <= 0) return stall;
            report.resize(static_cast<std::size_t>(n));
            return {0, report};
        }
        case kSetReport:
            if (reportType == kFeature) {
                std::vector<std::uint8_t> report(outData.begin(), outData.end());
                if (report.empty()) return stall;
                report.resize(std::max<std::size_t>(report.size(), 14), 0);
                return bridge_.sendFeature(report) < 0 ? stall : Reply{0, {}};
            }
            if (reportType == kOutput) {
                toBridge(outData);
                return {0, {}};
            }
            return stall;
        default:
            return stall;
    }
}

HidUsbipDevice::Reply HidUsbipDevice::standardRequest(std::uint8_t type, std::uint8_t request,
                                                      std::uint16_t value) {
    const Reply stall{-EPIPE, {}};
    const bool in = (type & USB_DIR_IN) != 0;
    switch (request) {
        case USB_REQ_GET_DESCRIPTOR: {
            if (!in) return stall;
            const int kind = value >> 8, index = value & 0xFF;
            if (kind == USB_DT_DEVICE) return {0, deviceDescriptor()};
            if (kind == USB_DT_CONFIG && index == 0) return {0, configDescriptor()};
            if (kind == USB_DT_STRING) {
                auto text = stringDescriptor(index);
                return text.empty() ? stall : Reply{0, text};
            }
            if (kind == kReportDescriptor) return {0, report_};
            return stall;
        }
        case USB_REQ_SET_CONFIGURATION:
            if (in || value > 1) return stall;
            configuration_ = static_cast<std::uint8_t>(value);
            return {0, {}};
        case USB_REQ_GET_CONFIGURATION:
            return in ? Reply{0, {configuration_}} : stall;
        case USB_REQ_GET_STATUS:
            return in ? Reply{0, {0, 0}} : stall;
        case USB_REQ_SET_INTERFACE:
            return !in && value == 0 ? Reply{0, {}} : stall;
        case USB_REQ_CLEAR_FEATURE:
            return !in ? Reply{0, {}} : stall;
        default:
            return stall;
    }
}
