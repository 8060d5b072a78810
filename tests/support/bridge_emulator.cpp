#include "tests/support/bridge_emulator.h"

#include <algorithm>
#include <cstdio>

#include "core/sim/simulated_chip.h"

BridgeEmulator::BridgeEmulator(SimulatedChip& chip, std::uint8_t chipAddress, int voltagePin)
    : chip_(chip), chipAddress_(chipAddress), voltagePin_(voltagePin) {}

int BridgeEmulator::gone() const {
    return -ENODEV;
}

int BridgeEmulator::read(std::span<std::uint8_t> buffer, int) {
    if (faults.unplugged) return gone();
    if (faults.silent || input_.empty()) return 0;
    std::vector<std::uint8_t> report = std::move(input_.front());
    input_.pop_front();
    const std::size_t n = std::min(buffer.size(), report.size());
    std::copy_n(report.begin(), n, buffer.begin());
    return static_cast<int>(n);
}

std::string BridgeEmulator::logText() const {
    std::string text;
    for (const std::string& entry : log) text += (text.empty() ? "" : " ") + entry;
    return text;
}

void BridgeEmulator::note(const char* what, std::uint8_t id) {
    char entry[16];
    std::snprintf(entry, sizeof entry, "%s %02X", what, id);
    log.emplace_back(entry);
}

bool BridgeEmulator::i2cWrite(std::uint8_t address, std::span<const std::uint8_t> bytes) {
    if (faults.nak || address != chipAddress_) return false;
    if (bytes.empty()) return true;
    if (bytes.size() == 1) {
        // The register address alone: the chip acknowledges it if the register answers.
        std::uint8_t ignored = 0;
        if (chip_.readRegister(bytes[0], ignored) != 0) return false;
        pointer_ = bytes[0];
        return true;
    }
    pointer_ = bytes[0];
    for (std::size_t i = 1; i < bytes.size(); ++i) {
        const std::uint8_t reg = pointer_++;
        if (chip_.writeRegister(reg, bytes[i]) != 0) return false;
        if (reg == 0x0B) programRegister = bytes[i];
    }
    return true;
}

bool BridgeEmulator::i2cRead(std::uint8_t address, std::size_t count,
                             std::vector<std::uint8_t>& out) {
    out.clear();
    if (faults.nak || address != chipAddress_) return false;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t value = 0;
        if (chip_.readRegister(pointer_++, value) != 0) return false;
        out.push_back(value);
    }
    return true;
}

void BridgeEmulator::updateVoltage() {
    if (voltagePin_ < 0) return;
    const bool on = pinDrivesHigh(voltagePin_);
    if (on != voltage_) chip_.setProgrammingVoltage(on);
    voltage_ = on;
}

// --- CP2112 ------------------------------------------------------------------------------

namespace {

std::uint16_t be16(std::span<const std::uint8_t> r, std::size_t at) {
    return static_cast<std::uint16_t>((r[at] << 8) | r[at + 1]);
}

}  // namespace

void Cp2112Emulator::transfer(std::uint8_t address, std::span<const std::uint8_t> writeBytes,
                              std::size_t readCount) {
    readData_.clear();
    if (faults.endless) {
        status0_ = 1;  // busy
        return;
    }
    if (faults.stuckBus) {
        status0_ = 3, status1_ = 1;  // bus not free
        return;
    }
    bool acked = writeBytes.empty() || i2cWrite(address, writeBytes);
    if (acked && readCount > 0) acked = i2cRead(address, readCount, readData_);
    if (!acked) {
        readData_.clear();
        status0_ = 3, status1_ = 0;  // timeout, address not acknowledged
        return;
    }
    status0_ = 2, status1_ = 5;  // complete, succeeded
}

int Cp2112Emulator::write(std::span<const std::uint8_t> r) {
    if (faults.unplugged) return gone();
    if (r.empty()) return -EINVAL;
    note("out", r[0]);
    const std::uint8_t id = r[0];
    const auto address = static_cast<std::uint8_t>(r.size() > 1 ? r[1] >> 1 : 0);
    switch (id) {
        case 0x10:  // read request: address, length
            transfer(address, {}, be16(r, 2));
            break;
        case 0x11: {  // write-read request: address, length, target length, target
            const std::size_t targetLength = std::min<std::size_t>(r[4], 16);
            transfer(address, r.subspan(5, targetLength), be16(r, 2));
            break;
        }
        case 0x12: {  // forced read response
            if (faults.silent) break;
            std::vector<std::uint8_t> response(64, 0);
            response[0] = 0x13;
            const std::size_t n = std::min<std::size_t>({readData_.size(), be16(r, 1), 61});
            response[1] = status0_;
            response[2] = static_cast<std::uint8_t>(n);
            std::copy_n(readData_.begin(), n, response.begin() + 3);
            readData_.erase(readData_.begin(), readData_.begin() + static_cast<long>(n));
            queue(std::move(response));
            break;
        }
        case 0x14:  // write: address, length, data
            transfer(address, r.subspan(3, std::min<std::size_t>(r[2], 61)), 0);
            break;
        case 0x15: {  // transfer status
            std::vector<std::uint8_t> response(64, 0);
            response[0] = 0x16;
            response[1] = status0_;
            response[2] = status1_;
            response[6] = static_cast<std::uint8_t>(readData_.size());
            queue(std::move(response));
            // A finished transfer's status is told once; then the bridge is idle again
            // (its read data stays until fetched).
            if (status0_ == 2 || status0_ == 3) status0_ = 0;
            break;
        }
        case 0x17:  // cancel
            ++cancels;
            status0_ = 0, status1_ = 0;
            readData_.clear();
            break;
        default:
            return -EINVAL;
    }
    return static_cast<int>(r.size());
}

int Cp2112Emulator::getFeature(std::span<std::uint8_t> b) {
    if (faults.unplugged) return gone();
    note("get", b[0]);
    std::vector<std::uint8_t> report;
    switch (b[0]) {
        case 0x02:
            report = {0x02, direction, pushPull, special, 0x00};
            break;
        case 0x03: {
            // Inputs read high through their pull-ups; outputs read their latch.
            report = {0x03, static_cast<std::uint8_t>((latch & direction) | ~direction)};
            break;
        }
        case 0x05:
            report = {0x05, 0x0C, 0x03};
            break;
        case 0x06:
            report = {0x06};
            report.insert(report.end(), smbusConfig.begin(), smbusConfig.end());
            break;
        default:
            return -EPIPE;
    }
    const std::size_t n = std::min(b.size(), report.size());
    std::copy_n(report.begin(), n, b.begin());
    return static_cast<int>(n);
}

int Cp2112Emulator::sendFeature(std::span<const std::uint8_t> r) {
    if (faults.unplugged) return gone();
    note("set", r[0]);
    switch (r[0]) {
        case 0x02:
            if (r.size() < 4) return -EINVAL;
            direction = r[1], pushPull = r[2], special = r[3];
            break;
        case 0x04:
            if (r.size() < 3) return -EINVAL;
            latch = static_cast<std::uint8_t>((latch & ~r[2]) | (r[1] & r[2]));
            break;
        case 0x06:
            if (r.size() < 14) return -EINVAL;
            smbusConfig.assign(r.begin() + 1, r.begin() + 14);
            break;
        default:
            return -EPIPE;
    }
    updateVoltage();
    return static_cast<int>(r.size());
}

bool Cp2112Emulator::pinDrivesHigh(int pin) const {
    const auto bit = static_cast<std::uint8_t>(1u << pin);
    const bool specialFunction = (pin == 0 && (special & 0x02)) || (pin == 1 && (special & 0x04)) ||
                                 (pin == 7 && (special & 0x01));
    return (direction & bit) && (pushPull & bit) && (latch & bit) && !specialFunction;
}

// --- MCP2221 -----------------------------------------------------------------------------

namespace {

constexpr std::uint8_t kIdle = 0x00;
constexpr std::uint8_t kStartTimeout = 0x12;
constexpr std::uint8_t kAddressNak = 0x25;
constexpr std::uint8_t kWriting = 0x41;  // a message under way
constexpr std::uint8_t kReadComplete = 0x55;

}  // namespace

void Mcp2221Emulator::message(bool read, std::uint8_t address8, std::span<const std::uint8_t> bytes,
                              std::size_t count) {
    readData_.clear();
    nakFlag_ = false;
    if (faults.endless) {
        state_ = kWriting;
        return;
    }
    if (faults.stuckBus) {
        state_ = kStartTimeout;
        return;
    }
    const auto address = static_cast<std::uint8_t>(address8 >> 1);
    const bool acked = read ? i2cRead(address, count, readData_) : i2cWrite(address, bytes);
    if (!acked) {
        readData_.clear();
        nakFlag_ = true;
        state_ = kAddressNak;
        return;
    }
    state_ = read ? kReadComplete : kIdle;
}

std::vector<std::uint8_t> Mcp2221Emulator::answer(std::span<const std::uint8_t> c) {
    std::vector<std::uint8_t> a(64, 0);
    a[0] = c[0];
    const bool underWay = state_ == kWriting;
    switch (c[0]) {
        case 0x10:  // status; cancel; speed
            if (c[2] == 0x10) {
                a[2] = state_ == kIdle ? 0x11 : 0x10;
                if (state_ != kIdle) ++cancels;
                state_ = kIdle;
                nakFlag_ = false;
                readData_.clear();
            }
            if (c[3] == 0x20) {
                if (state_ != kIdle && state_ != kAddressNak && state_ != kReadComplete) {
                    a[3] = 0x21;
                } else {
                    divider = c[4];
                    a[3] = 0x20;
                    a[4] = divider;
                }
            }
            a[8] = state_;
            a[14] = divider;
            a[20] = nakFlag_ ? 0x40 : 0x00;
            a[22] = faults.stuckBus ? 0 : 1;  // SCL
            a[23] = 1;                        // SDA
            break;
        case 0x90:  // write
        case 0x94:  // write without stop
            if (underWay) {
                a[1] = 0x01;
                break;
            }
            message(false, c[3], c.subspan(4, std::min<std::size_t>(c[1], 60)), 0);
            break;
        case 0x91:  // read
        case 0x93:  // read after a repeated start
            if (underWay) {
                a[1] = 0x01;
                break;
            }
            message(true, c[3], {}, c[1] | (c[2] << 8));
            break;
        case 0x40:  // get data
            a[2] = state_;
            if (state_ == kAddressNak) {
                a[3] = 127;
            } else if (state_ == kReadComplete && !readData_.empty()) {
                const std::size_t n = std::min<std::size_t>(readData_.size(), 60);
                a[3] = static_cast<std::uint8_t>(n);
                std::copy_n(readData_.begin(), n, a.begin() + 4);
                readData_.clear();
                state_ = kIdle;
            } else {
                a[1] = 0x41;
                a[3] = 127;
            }
            break;
        case 0x50:  // GPIO set: four bytes a pin from byte 2
            for (int p = 0; p < 4; ++p) {
                const int at = 2 + 4 * p;
                if (!pins[p].gpio) {
                    std::fill_n(a.begin() + at, 4, 0xEE);
                    continue;
                }
                std::copy_n(c.begin() + at, 4, a.begin() + at);
                if (c[at]) pins[p].value = c[at + 1] != 0;
                if (c[at + 2]) pins[p].input = c[at + 3] != 0;
            }
            updateVoltage();
            break;
        case 0x51:  // GPIO get: level and direction a pin from byte 2
            for (int p = 0; p < 4; ++p) {
                a[2 + 2 * p] = pins[p].gpio ? (pins[p].input ? 1 : pins[p].value) : 0xEE;
                a[3 + 2 * p] = pins[p].gpio ? (pins[p].input ? 1 : 0) : 0xEF;
            }
            break;
        case 0x61:  // SRAM settings: the pins' designations from byte 22
            for (int p = 0; p < 4; ++p) {
                a[22 + p] =
                    static_cast<std::uint8_t>((pins[p].gpio ? 0 : 1) | (pins[p].input ? 0x08 : 0) |
                                              (pins[p].value ? 0x10 : 0));
            }
            break;
        case 0x60:  // SRAM settings set: only the GPIO designations are kept
            if (c[7] & 0x80) {
                for (int p = 0; p < 4; ++p) {
                    pins[p].gpio = (c[8 + p] & 0x07) == 0;
                    pins[p].input = (c[8 + p] & 0x08) != 0;
                    pins[p].value = (c[8 + p] & 0x10) != 0;
                }
                updateVoltage();
            }
            break;
        case 0xB0:  // flash data: nothing stored
            break;
        default:
            a[1] = 0x01;
            break;
    }
    return a;
}

int Mcp2221Emulator::write(std::span<const std::uint8_t> r) {
    if (faults.unplugged) return gone();
    // Report ID 0, then the 64-byte command.
    if (r.size() < 2 || r[0] != 0) return -EINVAL;
    std::vector<std::uint8_t> command(64, 0);
    std::copy_n(r.begin() + 1, std::min<std::size_t>(r.size() - 1, 64), command.begin());
    note("out", command[0]);
    std::vector<std::uint8_t> a = answer(command);
    if (!faults.silent) queue(std::move(a));
    return static_cast<int>(r.size());
}

bool Mcp2221Emulator::pinDrivesHigh(int pin) const {
    return pins[pin].gpio && !pins[pin].input && pins[pin].value;
}
