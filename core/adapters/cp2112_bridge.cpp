#include "core/adapters/cp2112_bridge.h"

#include <algorithm>
#include <array>
#include <cerrno>

#include "core/link/miscellaneous.h"

namespace {

// Report IDs.
constexpr std::uint8_t kGpioConfig = 0x02;  // feature: direction, push-pull, special, divider
constexpr std::uint8_t kGpioGet = 0x03;     // feature: latch
constexpr std::uint8_t kGpioSet = 0x04;     // feature: latch, mask
constexpr std::uint8_t kSmbusConfig = 0x06;
constexpr std::uint8_t kWriteReadRequest = 0x11;
constexpr std::uint8_t kForceRead = 0x12;
constexpr std::uint8_t kReadResponse = 0x13;
constexpr std::uint8_t kDataWrite = 0x14;
constexpr std::uint8_t kStatusRequest = 0x15;
constexpr std::uint8_t kStatusResponse = 0x16;
constexpr std::uint8_t kCancel = 0x17;

// Transfer status: status 0, and status 1 of a transfer that ended in an error.
constexpr std::uint8_t kBusy = 1;
constexpr std::uint8_t kComplete = 2;
constexpr std::uint8_t kError = 3;
constexpr std::uint8_t kAddressNacked = 0;
constexpr std::uint8_t kBusNotFree = 1;
constexpr std::uint8_t kArbitrationLost = 2;

constexpr std::uint32_t kClockHz = 100000;
// The bridge gives up a transfer by itself after these (ms); SCL held low ends one at 25 ms.
constexpr std::uint16_t kDeviceTimeoutMs = 50;
// How long one answer may take over USB before the bridge counts as gone, and how many
// "busy" answers a transfer may give before it is cancelled: far beyond the bridge's own
// timeouts, so that only a bridge that lost its way meets them.
constexpr int kAnswerTimeoutMs = 250;
constexpr int kMaxStatusPolls = 200;
// Reports of earlier, abandoned exchanges that may still be queued.
constexpr int kMaxStrayReports = 16;

// Which "special function" bit takes each pin away from GPIO (GPIO.0 TX toggle, GPIO.1 RX
// toggle, GPIO.7 clock output).
std::uint8_t specialBitOf(int pin) {
    switch (pin) {
        case 0:
            return 0x02;
        case 1:
            return 0x04;
        case 7:
            return 0x01;
        default:
            return 0;
    }
}

std::string hex(std::uint8_t value) {
    return "0x" + Miscellaneous::ByteToHex(value);
}

constexpr const char* kGone = "the CP2112 stopped answering (unplugged?)";

}  // namespace

int Cp2112Bridge::send(std::initializer_list<std::uint8_t> report, std::string& reason) {
    std::array<std::uint8_t, 64> buffer{};
    std::copy(report.begin(), report.end(), buffer.begin());
    if (device_.write(buffer) < 0) {
        reason = kGone;
        return -ENODEV;
    }
    return 0;
}

int Cp2112Bridge::receive(std::uint8_t id, std::span<std::uint8_t> report, std::string& reason) {
    for (int stray = 0; stray <= kMaxStrayReports; ++stray) {
        const int n = device_.read(report, kAnswerTimeoutMs);
        if (n <= 0) {
            reason = kGone;
            return -ENODEV;
        }
        if (report[0] == id && n >= 4) return 0;
    }
    reason = "the CP2112 answers with reports it was not asked for";
    return -EPROTO;
}

int Cp2112Bridge::getFeature(std::uint8_t id, std::span<std::uint8_t> report, std::string& reason) {
    // Asked for with room for the longest report: Windows refuses a buffer shorter than that.
    std::array<std::uint8_t, 64> buffer{};
    buffer[0] = id;
    const int n = device_.getFeature(buffer);
    if (n < 0) {
        reason = kGone;
        return -ENODEV;
    }
    if (n < static_cast<int>(report.size()) || buffer[0] != id) {
        reason = "the CP2112 gave a short feature report " + hex(id);
        return -EPROTO;
    }
    std::copy_n(buffer.begin(), report.size(), report.begin());
    return 0;
}

int Cp2112Bridge::setFeature(std::span<const std::uint8_t> report, std::string& reason) {
    if (device_.sendFeature(report) < 0) {
        reason = kGone;
        return -ENODEV;
    }
    return 0;
}

int Cp2112Bridge::cancel() {
    std::string ignored;
    return send({kCancel, 0x01}, ignored);
}

int Cp2112Bridge::configure(std::string& reason) {
    // A transfer left running by an earlier program would answer our first request.
    if (const int rc = cancel(); rc < 0) {
        reason = kGone;
        return rc;
    }
    std::array<std::uint8_t, 64> stale{};
    while (device_.read(stale, 0) > 0) {
    }
    const std::array<std::uint8_t, 14> config{
        kSmbusConfig,
        static_cast<std::uint8_t>(kClockHz >> 24),
        static_cast<std::uint8_t>(kClockHz >> 16),
        static_cast<std::uint8_t>(kClockHz >> 8),
        static_cast<std::uint8_t>(kClockHz),
        0x02,  // the bridge's own address, unchanged from its default
        0x00,  // no automatic read responses: each read is fetched when asked for
        0x00,
        static_cast<std::uint8_t>(kDeviceTimeoutMs),  // write timeout
        0x00,
        static_cast<std::uint8_t>(kDeviceTimeoutMs),  // read timeout
        0x01,                                         // SCL low timeout on
        0x00,
        0x01};  // one retry
    if (const int rc = setFeature(config, reason); rc < 0) return rc;
    std::array<std::uint8_t, 14> back{};
    if (const int rc = getFeature(kSmbusConfig, back, reason); rc < 0) return rc;
    if (!std::equal(config.begin() + 1, config.end(), back.begin() + 1)) {
        reason = "the CP2112 did not take the SMBus configuration (100 kHz, timeouts)";
        return -EIO;
    }
    return 0;
}

int Cp2112Bridge::awaitTransfer(std::uint8_t device, std::string& reason) {
    std::array<std::uint8_t, 64> status{};
    for (int poll = 0; poll < kMaxStatusPolls; ++poll) {
        if (const int rc = send({kStatusRequest, 0x01}, reason); rc < 0) return rc;
        if (const int rc = receive(kStatusResponse, status, reason); rc < 0) return rc;
        if (status[1] == kBusy) continue;
        if (status[1] == kComplete) return 0;
        if (status[1] != kError) {
            reason = "the CP2112 lost the transfer (status " + hex(status[1]) + ")";
            return -EIO;
        }
        switch (status[2]) {
            case kAddressNacked:
                reason = "device " + hex(device) + " did not acknowledge";
                return -ENXIO;
            case kBusNotFree:
                reason = "the bus is held low (SCL or SDA stuck); the transfer was cancelled";
                cancel();
                return -EBUSY;
            case kArbitrationLost:
                reason = "arbitration lost on the bus";
                return -EAGAIN;
            default:
                reason = "the transfer ended incomplete (status " + hex(status[2]) + ")";
                return -EIO;
        }
    }
    cancel();
    reason = "the transfer did not finish; it was cancelled";
    return -ETIMEDOUT;
}

int Cp2112Bridge::readByteData(std::uint8_t device, std::uint8_t reg, std::uint8_t& value,
                               std::string& reason) {
    const auto address = static_cast<std::uint8_t>(device << 1);
    if (const int rc = send({kWriteReadRequest, address, 0x00, 0x01, 0x01, reg}, reason); rc < 0)
        return rc;
    if (const int rc = awaitTransfer(device, reason); rc < 0) return rc;
    if (const int rc = send({kForceRead, 0x00, 0x01}, reason); rc < 0) return rc;
    std::array<std::uint8_t, 64> response{};
    if (const int rc = receive(kReadResponse, response, reason); rc < 0) return rc;
    if (response[1] == kError || response[2] < 1) {
        reason = "the CP2112 delivered no byte for register " + hex(reg);
        return -EIO;
    }
    value = response[3];
    return 0;
}

int Cp2112Bridge::writeByteData(std::uint8_t device, std::uint8_t reg, std::uint8_t value,
                                std::string& reason) {
    const auto address = static_cast<std::uint8_t>(device << 1);
    if (const int rc = send({kDataWrite, address, 0x02, reg, value}, reason); rc < 0) return rc;
    return awaitTransfer(device, reason);
}

int Cp2112Bridge::makeOutputLow(int pin, std::string& reason) {
    if (pin < 0 || pin >= pinCount()) {
        reason = "the CP2112 has GPIO0 to GPIO7, no GPIO" + std::to_string(pin);
        return -EINVAL;
    }
    const auto bit = static_cast<std::uint8_t>(1u << pin);
    // Latch low first, so that the pin is low from the moment it drives.
    const std::array<std::uint8_t, 3> low{kGpioSet, 0x00, bit};
    if (const int rc = setFeature(low, reason); rc < 0) return rc;
    std::array<std::uint8_t, 5> config{};
    if (const int rc = getFeature(kGpioConfig, config, reason); rc < 0) return rc;
    config[1] |= bit;                                            // output
    config[2] |= bit;                                            // push-pull
    config[3] &= static_cast<std::uint8_t>(~specialBitOf(pin));  // plain GPIO
    if (const int rc = setFeature(config, reason); rc < 0) return rc;
    std::array<std::uint8_t, 5> back{};
    if (const int rc = getFeature(kGpioConfig, back, reason); rc < 0) return rc;
    if (!(back[1] & bit) || !(back[2] & bit) || (back[3] & specialBitOf(pin))) {
        reason = "GPIO" + std::to_string(pin) + " of the CP2112 did not become an output";
        return -EIO;
    }
    return setPin(pin, false, reason);
}

int Cp2112Bridge::setPin(int pin, bool high, std::string& reason) {
    if (pin < 0 || pin >= pinCount()) {
        reason = "the CP2112 has GPIO0 to GPIO7, no GPIO" + std::to_string(pin);
        return -EINVAL;
    }
    const auto bit = static_cast<std::uint8_t>(1u << pin);
    const std::array<std::uint8_t, 3> set{kGpioSet, high ? bit : std::uint8_t{0}, bit};
    if (const int rc = setFeature(set, reason); rc < 0) return rc;
    std::array<std::uint8_t, 2> latch{};
    if (const int rc = getFeature(kGpioGet, latch, reason); rc < 0) return rc;
    if (((latch[1] & bit) != 0) != high) {
        reason =
            "GPIO" + std::to_string(pin) + " of the CP2112 did not go " + (high ? "high" : "low");
        return -EIO;
    }
    return 0;
}
