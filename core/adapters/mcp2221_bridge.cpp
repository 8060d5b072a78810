#include "core/adapters/mcp2221_bridge.h"

#include <cerrno>

#include "core/link/miscellaneous.h"

namespace {

// Command codes.
constexpr std::uint8_t kStatus = 0x10;  // status; also cancel and speed
constexpr std::uint8_t kWrite = 0x90;
constexpr std::uint8_t kWriteNoStop = 0x94;
constexpr std::uint8_t kReadRepeatedStart = 0x93;
constexpr std::uint8_t kGetData = 0x40;
constexpr std::uint8_t kGpioSet = 0x50;
constexpr std::uint8_t kGpioGet = 0x51;

// Status command fields.
constexpr std::uint8_t kCancelTransfer = 0x10;  // byte 2
constexpr std::uint8_t kSetSpeed = 0x20;        // byte 3; the divider in byte 4
// 12 MHz / (divider + 3) = 100 kHz.
constexpr std::uint8_t kDivider100kHz = 12000000 / 100000 - 3;
// Status answer: engine state (byte 8), acknowledge flags (byte 20), SCL and SDA (22, 23).
constexpr int kEngineState = 8;
constexpr int kAckFlags = 20;
constexpr std::uint8_t kAddressNak = 0x40;
constexpr int kScl = 22;
constexpr int kSda = 23;

// Engine states.
constexpr std::uint8_t kIdle = 0x00;
constexpr std::uint8_t kStartTimeout = 0x12;
constexpr std::uint8_t kAddressNakState = 0x25;
constexpr std::uint8_t kReadPartial = 0x54;
constexpr std::uint8_t kReadComplete = 0x55;
constexpr std::uint8_t kStopTimeout = 0x62;

// Get-data answer: 0x41 in byte 1 and 127 in byte 3 while no data is there.
constexpr std::uint8_t kGetDataError = 0x41;
constexpr std::uint8_t kNoData = 127;
// A GPIO answer byte for a pin that is set to another function.
constexpr std::uint8_t kNotGpio = 0xEE;

constexpr int kAnswerTimeoutMs = 250;
// Answers "not ready yet" before a transfer is cancelled: far beyond a byte at 100 kHz, so
// that only a bus that is stuck meets it.
constexpr int kMaxPolls = 100;
constexpr int kMaxStrayReports = 16;

constexpr const char* kGone = "the MCP2221 stopped answering (unplugged?)";

std::string hex(std::uint8_t value) {
    return "0x" + Miscellaneous::ByteToHex(value);
}

}  // namespace

int Mcp2221Bridge::exchange(std::initializer_list<std::uint8_t> command, Report& answer,
                            std::string& reason) {
    Report report{};
    std::copy(command.begin(), command.end(), report.begin());
    return exchange(report, answer, reason);
}

int Mcp2221Bridge::exchange(const Report& command, Report& answer, std::string& reason) {
    // The device numbers no reports: report ID 0, then the 64 bytes.
    std::array<std::uint8_t, 65> out{};
    std::copy(command.begin(), command.end(), out.begin() + 1);
    if (device_.write(out) < 0) {
        reason = kGone;
        return -ENODEV;
    }
    for (int stray = 0; stray <= kMaxStrayReports; ++stray) {
        const int n = device_.read(answer, kAnswerTimeoutMs);
        if (n <= 0) {
            reason = kGone;
            return -ENODEV;
        }
        if (answer[0] == command[0]) return 0;
    }
    reason = "the MCP2221 answers with reports it was not asked for";
    return -EPROTO;
}

int Mcp2221Bridge::abandon(int rc, const std::string& what, std::string& reason) {
    Report answer{};
    std::string ignored;
    if (exchange({kStatus, 0x00, kCancelTransfer}, answer, ignored) < 0) {
        reason = kGone;
        return -ENODEV;
    }
    if (answer[kScl] == 0 || answer[kSda] == 0) {
        reason = "the bus is held low (" + std::string(answer[kScl] == 0 ? "SCL" : "SDA") +
                 " stuck); the transfer was cancelled";
        return -EBUSY;
    }
    reason = what;
    return rc;
}

int Mcp2221Bridge::configure(std::string& reason) {
    Report answer{};
    if (const int rc = exchange({kStatus}, answer, reason); rc < 0) return rc;
    // A transfer left running by an earlier program would refuse the new speed.
    if (answer[kEngineState] != kIdle) {
        if (const int rc = exchange({kStatus, 0x00, kCancelTransfer}, answer, reason); rc < 0)
            return rc;
    }
    if (const int rc = exchange({kStatus, 0x00, 0x00, kSetSpeed, kDivider100kHz}, answer, reason);
        rc < 0)
        return rc;
    if (answer[3] != kSetSpeed) {
        reason = "the MCP2221 did not take 100 kHz (a transfer is in progress)";
        return -EBUSY;
    }
    return 0;
}

int Mcp2221Bridge::awaitWrite(std::uint8_t device, std::string& reason) {
    Report answer{};
    for (int poll = 0; poll < kMaxPolls; ++poll) {
        if (const int rc = exchange({kStatus}, answer, reason); rc < 0) return rc;
        const std::uint8_t state = answer[kEngineState];
        if ((answer[kAckFlags] & kAddressNak) || state == kAddressNakState) {
            return abandon(-ENXIO, "device " + hex(device) + " did not acknowledge", reason);
        }
        if (state == kStartTimeout || state == kStopTimeout) break;
        if (state == kIdle) return 0;
    }
    return abandon(-ETIMEDOUT, "the transfer did not finish; it was cancelled", reason);
}

int Mcp2221Bridge::readByteData(std::uint8_t device, std::uint8_t reg, std::uint8_t& value,
                                std::string& reason) {
    const auto address = static_cast<std::uint8_t>(device << 1);
    Report answer{};
    // The register address without a stop, then one byte read after a repeated start.
    if (const int rc = exchange({kWriteNoStop, 0x01, 0x00, address, reg}, answer, reason); rc < 0)
        return rc;
    if (answer[1] != 0x00) return abandon(-EBUSY, "the MCP2221's I2C engine is busy", reason);
    if (const int rc =
            exchange({kReadRepeatedStart, 0x01, 0x00, static_cast<std::uint8_t>(address | 1)},
                     answer, reason);
        rc < 0)
        return rc;
    // Busy now means the register address we just sent is still going out.
    if (answer[1] != 0x00) {
        return abandon(-ETIMEDOUT, "the transfer did not finish; it was cancelled", reason);
    }
    for (int poll = 0; poll < kMaxPolls; ++poll) {
        if (const int rc = exchange({kGetData}, answer, reason); rc < 0) return rc;
        const std::uint8_t state = answer[2];
        if (state == kAddressNakState) {
            return abandon(-ENXIO, "device " + hex(device) + " did not acknowledge", reason);
        }
        if (answer[1] == 0x00 && answer[3] >= 1 && answer[3] <= 60 &&
            (state == kReadComplete || state == kReadPartial || state == kIdle)) {
            value = answer[4];
            return 0;
        }
        if (state == kStartTimeout || state == kStopTimeout) break;
        // 0x41 with 127: the byte is not there yet.
        if (answer[1] != kGetDataError && answer[3] != kNoData) break;
    }
    return abandon(-ETIMEDOUT, "the transfer did not finish; it was cancelled", reason);
}

int Mcp2221Bridge::writeByteData(std::uint8_t device, std::uint8_t reg, std::uint8_t value,
                                 std::string& reason) {
    const auto address = static_cast<std::uint8_t>(device << 1);
    Report answer{};
    if (const int rc = exchange({kWrite, 0x02, 0x00, address, reg, value}, answer, reason); rc < 0)
        return rc;
    if (answer[1] != 0x00) return abandon(-EBUSY, "the MCP2221's I2C engine is busy", reason);
    return awaitWrite(device, reason);
}

int Mcp2221Bridge::drivePin(int pin, bool high, bool makeOutput, std::string& reason) {
    if (pin < 0 || pin >= pinCount()) {
        reason = "the MCP2221 has GP0 to GP3, no GP" + std::to_string(pin);
        return -EINVAL;
    }
    // Four bytes a pin from byte 2: alter output, output value, alter direction, direction
    // (0 = output).
    Report command{};
    command[0] = kGpioSet;
    const int at = 2 + 4 * pin;
    command[at] = 1;
    command[at + 1] = high ? 1 : 0;
    command[at + 2] = makeOutput ? 1 : 0;
    command[at + 3] = 0;
    Report answer{};
    if (const int rc = exchange(command, answer, reason); rc < 0) return rc;
    if (answer[at] == kNotGpio) {
        reason = "GP" + std::to_string(pin) +
                 " of the MCP2221 is set to another function, not GPIO (its settings)";
        return -EINVAL;
    }
    if (const int rc = exchange({kGpioGet}, answer, reason); rc < 0) return rc;
    // Two bytes a pin from byte 2: level, direction (0 = output).
    const std::uint8_t level = answer[2 + 2 * pin], direction = answer[3 + 2 * pin];
    if (direction != 0 || level != (high ? 1 : 0)) {
        reason = "GP" + std::to_string(pin) + " of the MCP2221 did not go " +
                 (high ? "high" : "low") + " as an output";
        return -EIO;
    }
    return 0;
}

int Mcp2221Bridge::makeOutputLow(int pin, std::string& reason) {
    return drivePin(pin, false, true, reason);
}

int Mcp2221Bridge::setPin(int pin, bool high, std::string& reason) {
    return drivePin(pin, high, false, reason);
}
