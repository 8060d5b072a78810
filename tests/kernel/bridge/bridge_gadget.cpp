// The USB device half of the kernel test rig: a tiny USB-to-I2C bridge made with gadgetfs on
// the dummy host/device controller pair, with our simulated chip behind it. The kernel's
// i2c-tiny-usb driver binds to it as it would to a bridge on a desk, so the i2c-dev back-end
// meets a real USB I2C bus in sysfs. gadgetfs offers one device only; with --usbip-port the
// bridge is a device on that port of the USB/IP virtual host controller instead, so that
// several bridges can be plugged in at once.
//
// The programming voltage reaches the chip through a simulated GPIO line: the program reads
// the line's sysfs value before each request and every few milliseconds in between.
//
// What the chip's programming register last took, whether the voltage is on and what its
// EEPROM holds are kept in the --state file, so that the guest's checks can tell whether a
// run programmed the chip or left it armed.
//
// With --hid cp2112|mcp2221 (on a USB/IP port only) the device is that HID bridge instead,
// its emulated device side in front of the chip, the voltage on its pin --hid-pin N.
//
//   varenthal-rig-bridge [--gadget FILE | --usbip-port N] [--vpp-value FILE] [--ready FILE]
//                        [--state FILE] [--fault NAME]... [--hid MODEL --hid-pin N --serial S]
//   (--fault takes the simulator's conditions: vgood-low, ...)

#include <fcntl.h>
#include <linux/usb/ch9.h>
#include <linux/usb/gadgetfs.h>
#include <poll.h>
#include <sched.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/chip/register_map.h"
#include "core/sim/sim_fault.h"
#include "core/sim/simulated_chip.h"
#include "tests/kernel/bridge/hid_usbip_device.h"
#include "tests/kernel/bridge/tiny_usb_bridge.h"
#include "tests/kernel/bridge/usb_descriptors.h"
#include "tests/kernel/bridge/usbip_device.h"
#include "tests/kernel/bridge/usbip_link.h"

namespace {

struct Options {
    std::string gadget = "/dev/gadget/dummy_udc";
    int usbipPort = -1;    // a port of the USB/IP virtual host controller instead of gadgetfs
    std::string vppValue;  // sysfs value file of the programming-voltage line
    std::string ready;     // written once the host has configured the device
    std::string state;     // "program_register=XX voltage=on|off eeprom=XXXXXXXXXX", on change
    std::vector<SimFault> faults;
    std::string hid;  // cp2112 or mcp2221: that HID bridge
    int hidPin = 2;
    std::string serial;
};

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) return false;
        const std::string value = argv[++i];
        if (arg == "--gadget") {
            options.gadget = value;
        } else if (arg == "--usbip-port") {
            options.usbipPort = std::atoi(value.c_str());
            if (options.usbipPort < 0 || value.find_first_not_of("0123456789") != std::string::npos)
                return false;
        } else if (arg == "--vpp-value") {
            options.vppValue = value;
        } else if (arg == "--ready") {
            options.ready = value;
        } else if (arg == "--state") {
            options.state = value;
        } else if (arg == "--hid") {
            if (value != "cp2112" && value != "mcp2221") return false;
            options.hid = value;
        } else if (arg == "--hid-pin") {
            options.hidPin = std::atoi(value.c_str());
        } else if (arg == "--serial") {
            options.serial = value;
        } else if (arg == "--fault") {
            std::string error;
            const auto fault = parseSimFault(value, &error);
            if (!fault) {
                std::fprintf(stderr, "bridge: %s\n", error.c_str());
                return false;
            }
            options.faults.push_back(*fault);
        } else {
            return false;
        }
    }
    return true;
}

// Descriptors as gadgetfs takes them: tag, full-speed and high-speed configuration, device.
std::vector<std::uint8_t> descriptors() {
    using namespace bridge_usb;
    std::vector<std::uint8_t> out(4, 0);  // tag 0
    out.insert(out.end(), kConfigDescriptor.begin(), kConfigDescriptor.end());
    out.insert(out.end(), kConfigDescriptor.begin(), kConfigDescriptor.end());
    out.insert(out.end(), kDeviceDescriptor.begin(), kDeviceDescriptor.end());
    return out;
}

class VoltageLine {
public:
    VoltageLine(std::string path, SimulatedChip& chip) : path_(std::move(path)), chip_(chip) {}

    // Passes a change of the line on to the chip.
    void follow() {
        if (path_.empty()) return;
        std::ifstream in(path_);
        char c = '0';
        if (!(in >> c)) return;
        const bool on = c == '1';
        if (on == on_) return;
        on_ = on;
        chip_.setProgrammingVoltage(on);
        std::fprintf(stderr, "bridge: programming voltage %s\n", on ? "on" : "off");
    }

    bool on() const { return on_; }

private:
    std::string path_;
    SimulatedChip& chip_;
    bool on_ = false;
};

// Rewrites the state file when what it says changes; written whole and renamed into place so
// that a reader never sees half of it.
class StateFile {
public:
    explicit StateFile(std::string path) : path_(std::move(path)) {}

    void update(const TinyUsbBridge& bridge, const VoltageLine& voltage,
                const SimulatedChip& chip) {
        update(bridge.programRegister(), voltage.on(), chip);
    }
    void update(std::optional<std::uint8_t> reg, bool voltageOn, const SimulatedChip& chip) {
        if (path_.empty()) return;
        std::string text = "program_register=" + (reg ? hex(*reg) : std::string("none"));
        text += std::string(" voltage=") + (voltageOn ? "on" : "off") + " eeprom=";
        for (const auto byte : chip.eeprom()) text += hex(byte);
        text += "\n";
        if (text == last_) return;
        last_ = text;
        const std::string temporary = path_ + ".new";
        std::ofstream(temporary) << text;
        std::rename(temporary.c_str(), path_.c_str());
    }

private:
    static std::string hex(std::uint8_t value) {
        char text[3];
        std::snprintf(text, sizeof(text), "%02X", value);
        return text;
    }

    std::string path_;
    std::string last_;
};

int fail(const char* what) {
    std::fprintf(stderr, "bridge: %s: %s\n", what, std::strerror(errno));
    return 1;
}

// A request that could not be completed is logged and dropped: the host times it out or sees
// it cancelled, as with a flaky cable, and the bridge goes on serving.
bool dropped(const char* what) {
    fail(what);
    return false;
}

// Answers one control request; false when it could not be completed.
bool serve(int fd, const usb_ctrlrequest& setup, TinyUsbBridge& bridge, const Options& options) {
    const std::uint16_t value = setup.wValue;
    const std::uint16_t index = setup.wIndex;
    const std::uint16_t length = setup.wLength;
    const bool in = (setup.bRequestType & USB_DIR_IN) != 0;
    const bool vendor = (setup.bRequestType & USB_TYPE_MASK) == USB_TYPE_VENDOR;

    if (!vendor) {
        // SET_CONFIGURATION and SET_INTERFACE are the standard requests gadgetfs hands on.
        if (!in && (setup.bRequest == USB_REQ_SET_CONFIGURATION ||
                    setup.bRequest == USB_REQ_SET_INTERFACE)) {
            if (read(fd, nullptr, 0) < 0 && errno != EL2HLT) return dropped("ack");
            if (setup.bRequest == USB_REQ_SET_CONFIGURATION && !options.ready.empty()) {
                std::ofstream(options.ready) << "configured\n";
            }
            return true;
        }
    } else if (in) {
        if (auto data = bridge.controlIn(setup.bRequest, value, index, length)) {
            if (data->size() > length) data->resize(length);
            if (write(fd, data->data(), data->size()) < 0) return dropped("reply");
            return true;
        }
    } else {
        std::vector<std::uint8_t> data(length);
        if (length > 0) {
            const ssize_t got = read(fd, data.data(), data.size());
            if (got < 0) return dropped("data");
            data.resize(static_cast<std::size_t>(got));
        }
        const bool known = bridge.controlOut(setup.bRequest, value, index, data);
        if (length == 0) {
            if (known) {
                if (read(fd, nullptr, 0) < 0) return dropped("ack");
            } else {
                (void)write(fd, nullptr, 0);  // stall
            }
        }
        return true;
    }
    // Stall: gadgetfs halts ep0 on I/O in the direction opposite to the request.
    if (in) {
        (void)read(fd, nullptr, 0);
    } else {
        (void)write(fd, nullptr, 0);
    }
    return true;
}

// The bridge on a port of the USB/IP virtual host controller, until the host lets it go.
int serveOnVirtualHost(const Options& options, TinyUsbBridge& bridge, VoltageLine& voltage,
                       StateFile& state, const SimulatedChip& chip) {
    UsbipDevice device(bridge);
    const int link =
        attachToVirtualHost(options.usbipPort, static_cast<std::uint32_t>(options.usbipPort + 1));
    if (link < 0) return fail("usbip attach");
    std::fprintf(stderr, "bridge: attached to usbip port %d\n", options.usbipPort);
    bool readyWritten = false;
    return serveUsbipLink(
        link,
        [&device](std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& out) {
            return device.receive(bytes, out);
        },
        [&] {
            voltage.follow();
            state.update(bridge, voltage, chip);
            if (!readyWritten && device.configured() && !options.ready.empty()) {
                std::ofstream(options.ready) << "configured\n";
                readyWritten = true;
            }
        });
}

// A CP2112 or MCP2221 on a port of the USB/IP virtual host controller.
int serveHidBridge(const Options& options, SimulatedChip& chip, StateFile& state) {
    const bool cp2112 = options.hid == "cp2112";
    Cp2112Emulator cp(chip, static_cast<std::uint8_t>(chip::kDeviceAddress), options.hidPin);
    Mcp2221Emulator mcp(chip, static_cast<std::uint8_t>(chip::kDeviceAddress), options.hidPin);
    BridgeEmulator& bridge = cp2112 ? static_cast<BridgeEmulator&>(cp) : mcp;
    HidUsbipDevice device(bridge,
                          cp2112 ? HidUsbipDevice::Model::Cp2112 : HidUsbipDevice::Model::Mcp2221,
                          options.serial);
    const int link =
        attachToVirtualHost(options.usbipPort, static_cast<std::uint32_t>(options.usbipPort + 1));
    if (link < 0) return fail("usbip attach");
    std::fprintf(stderr, "bridge: %s attached to usbip port %d\n", options.hid.c_str(),
                 options.usbipPort);
    bool readyWritten = false;
    return serveUsbipLink(
        link,
        [&device](std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& out) {
            return device.receive(bytes, out);
        },
        [&] {
            state.update(bridge.programRegister, bridge.voltageOn(), chip);
            if (!readyWritten && device.configured() && !options.ready.empty()) {
                std::ofstream(options.ready) << "configured\n";
                readyWritten = true;
            }
        });
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: %s [--gadget FILE | --usbip-port N] [--vpp-value FILE] [--ready FILE] "
                     "[--state FILE] [--fault NAME]... [--hid cp2112|mcp2221 --hid-pin N "
                     "--serial S]\n",
                     argv[0]);
        return 2;
    }

    SimulatedChip chip;
    for (const auto& fault : options.faults) chip.apply(fault);
    if (!options.hid.empty()) {
        if (options.usbipPort < 0) {
            std::fprintf(stderr, "bridge: --hid needs --usbip-port\n");
            return 2;
        }
        StateFile hidState(options.state);
        return serveHidBridge(options, chip, hidState);
    }
    TinyUsbBridge bridge(chip, static_cast<std::uint8_t>(chip::kDeviceAddress));
    VoltageLine voltage(options.vppValue, chip);
    StateFile state(options.state);
    state.update(bridge, voltage, chip);
    if (options.usbipPort >= 0) return serveOnVirtualHost(options, bridge, voltage, state, chip);

    // gadgetfs completes the data stage of a host-to-device request by itself and hands the
    // data over only when this program asks; a next request from the host that comes first
    // discards the data. The driver sends its next request as soon as the last completes, so
    // the bridge must always run before the host's side does: a real-time priority on the
    // guest's single processor makes it so.
    sched_param priority{};
    priority.sched_priority = 50;
    if (sched_setscheduler(0, SCHED_FIFO, &priority) != 0) fail("real-time priority");

    const int fd = open(options.gadget.c_str(), O_RDWR);
    if (fd < 0) return fail(options.gadget.c_str());
    const auto config = descriptors();
    if (write(fd, config.data(), config.size()) < 0) return fail("descriptors");
    std::fprintf(stderr, "bridge: device descriptors written\n");

    std::array<usb_gadgetfs_event, 5> events{};
    // Errors one after the other, without a request served in between: the device is gone.
    int errorsInARow = 0;
    constexpr int kGiveUpAfter = 50;
    for (;;) {
        voltage.follow();
        state.update(bridge, voltage, chip);
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, 5);
        if (ready < 0 && errno != EINTR) return fail("poll");
        if (ready <= 0) continue;
        const ssize_t got = read(fd, events.data(), sizeof(events));
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            fail("events");
            if (++errorsInARow >= kGiveUpAfter) return 1;
            continue;
        }
        const auto count = static_cast<std::size_t>(got) / sizeof(usb_gadgetfs_event);
        for (std::size_t i = 0; i < count; ++i) {
            const auto& event = events[i];
            if (event.type == GADGETFS_SETUP) {
                voltage.follow();
                if (serve(fd, event.u.setup, bridge, options)) {
                    errorsInARow = 0;
                } else if (++errorsInARow >= kGiveUpAfter) {
                    return 1;
                }
                state.update(bridge, voltage, chip);
            } else if (event.type == GADGETFS_CONNECT) {
                std::fprintf(stderr, "bridge: connected\n");
            } else if (event.type == GADGETFS_DISCONNECT) {
                std::fprintf(stderr, "bridge: disconnected\n");
            } else if (event.type == GADGETFS_SUSPEND) {
                std::fprintf(stderr, "bridge: suspended\n");
            }
        }
    }
}
