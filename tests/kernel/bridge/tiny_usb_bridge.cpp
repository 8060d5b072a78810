#include "tests/kernel/bridge/tiny_usb_bridge.h"

#include "core/chip/register_map.h"
#include "core/sim/simulated_chip.h"

TinyUsbBridge::TinyUsbBridge(SimulatedChip& chip, std::uint8_t deviceAddress)
    : chip_(chip), deviceAddress_(deviceAddress) {}

std::optional<std::vector<std::uint8_t>> TinyUsbBridge::controlIn(std::uint8_t request,
                                                                  std::uint16_t value,
                                                                  std::uint16_t index,
                                                                  std::uint16_t length) {
    if (request == kEcho) {
        return std::vector<std::uint8_t>{static_cast<std::uint8_t>(value & 0xFF),
                                         static_cast<std::uint8_t>(value >> 8)};
    }
    if (request == kGetFunc) {
        std::vector<std::uint8_t> out(4);
        for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(kFunctions >> (8 * i));
        return out;
    }
    if (request == kGetStatus) return std::vector<std::uint8_t>{status_};
    if (isI2cIo(request)) return message(true, index, {}, length);
    return std::nullopt;
}

bool TinyUsbBridge::controlOut(std::uint8_t request, std::uint16_t value, std::uint16_t index,
                               std::span<const std::uint8_t> data) {
    if (request == kSetDelay) {
        delay_ = value;
        return true;
    }
    if (isI2cIo(request)) {
        message(false, index, data, 0);
        return true;
    }
    return false;
}

std::vector<std::uint8_t> TinyUsbBridge::message(bool read, std::uint16_t address,
                                                 std::span<const std::uint8_t> data,
                                                 std::uint16_t length) {
    std::vector<std::uint8_t> out;
    if (address != deviceAddress_) {
        // Nobody acknowledges: the bytes of a read are whatever the pull-ups give.
        status_ = kStatusNak;
        if (read) out.assign(length, 0xFF);
        return out;
    }
    status_ = kStatusAck;
    if (read) {
        out.reserve(length);
        for (std::uint16_t i = 0; i < length; ++i) {
            std::uint8_t byte = 0xFF;
            // A register the chip refuses ends the message as an absent device would.
            if (chip_.readRegister(pointer_, byte) != 0) status_ = kStatusNak;
            out.push_back(byte);
            ++pointer_;
        }
        return out;
    }
    if (data.empty()) return out;
    pointer_ = data[0];
    for (std::size_t i = 1; i < data.size(); ++i) {
        if (chip_.writeRegister(pointer_, data[i]) != 0) {
            status_ = kStatusNak;
        } else if (pointer_ == chip::EEPROM_PROGRAM) {
            programRegister_ = data[i];
        }
        ++pointer_;
    }
    return out;
}
