#include "tests/kernel/bridge/tiny_usb_bridge.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/chip/register_map.h"
#include "core/sim/simulated_chip.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint8_t kIoWhole =
    TinyUsbBridge::kI2cIo | TinyUsbBridge::kI2cIoBegin | TinyUsbBridge::kI2cIoEnd;
constexpr std::uint16_t kReadFlag = 1;  // I2C_M_RD, passed as wValue by the driver

class TinyUsbBridgeTest : public ::testing::Test {
protected:
    std::uint8_t status() { return bridge.controlIn(TinyUsbBridge::kGetStatus, 0, 0, 1)->at(0); }

    // What the kernel's SMBus emulation sends for "read byte data": a one-byte write of the
    // register, then a one-byte read, each followed by a status request.
    std::optional<std::uint8_t> readByteData(std::uint16_t address, std::uint8_t reg) {
        const Bytes regByte{reg};
        bridge.controlOut(TinyUsbBridge::kI2cIo | TinyUsbBridge::kI2cIoBegin, 0, address, regByte);
        if (status() != TinyUsbBridge::kStatusAck) return std::nullopt;
        auto data = bridge.controlIn(TinyUsbBridge::kI2cIo | TinyUsbBridge::kI2cIoEnd, kReadFlag,
                                     address, 1);
        if (status() != TinyUsbBridge::kStatusAck) return std::nullopt;
        return data->at(0);
    }

    bool writeByteData(std::uint16_t address, std::uint8_t reg, std::uint8_t value) {
        const Bytes message{reg, value};
        bridge.controlOut(kIoWhole, 0, address, message);
        return status() == TinyUsbBridge::kStatusAck;
    }

    SimulatedChip chip;
    TinyUsbBridge bridge{chip, 0x20};
};

TEST_F(TinyUsbBridgeTest, OffersPlainI2cWithEmulatedSmbusLittleEndian) {
    const auto func = bridge.controlIn(TinyUsbBridge::kGetFunc, 0, 0, 4);
    ASSERT_TRUE(func.has_value());
    EXPECT_EQ(*func, (Bytes{0x09, 0x00, 0xff, 0x0e}));
}

TEST_F(TinyUsbBridgeTest, ByteDataTransfersReachTheChipRegisters) {
    ASSERT_TRUE(writeByteData(0x20, chip::CELL_BALANCE, 0x5A));
    std::uint8_t stored = 0;
    ASSERT_EQ(chip.readRegister(chip::CELL_BALANCE, stored), 0);
    EXPECT_EQ(stored, 0x5A);
    EXPECT_EQ(readByteData(0x20, chip::CELL_BALANCE), 0x5A);
    const auto status = readByteData(0x20, chip::STATUS);
    ASSERT_TRUE(status.has_value());
    EXPECT_NE(*status & chip::kStatusVGOOD, 0);
}

TEST_F(TinyUsbBridgeTest, AbsentAddressIsNotAcknowledgedAndChangesNothing) {
    EXPECT_FALSE(writeByteData(0x21, chip::CELL_BALANCE, 0x33));
    EXPECT_EQ(readByteData(0x21, chip::CELL_BALANCE), std::nullopt);
    EXPECT_EQ(readByteData(0x20, chip::CELL_BALANCE), 0x00);
    // The next message to the chip is acknowledged again.
    EXPECT_TRUE(writeByteData(0x20, chip::CELL_BALANCE, 0x01));
}

TEST_F(TinyUsbBridgeTest, RegisterTheChipRefusesFailsTheMessage) {
    EXPECT_EQ(readByteData(0x20, 0x40), std::nullopt);
}

TEST_F(TinyUsbBridgeTest, SequentialReadAdvancesThePointer) {
    ASSERT_TRUE(writeByteData(0x20, chip::FNCTN_CNTRL, 0x11));
    ASSERT_TRUE(writeByteData(0x20, chip::CELL_BALANCE, 0x22));
    const Bytes reg{chip::FNCTN_CNTRL};
    bridge.controlOut(TinyUsbBridge::kI2cIo | TinyUsbBridge::kI2cIoBegin, 0, 0x20, reg);
    const auto data =
        bridge.controlIn(TinyUsbBridge::kI2cIo | TinyUsbBridge::kI2cIoEnd, kReadFlag, 0x20, 2);
    EXPECT_EQ(*data, (Bytes{0x11, 0x22}));
}

TEST_F(TinyUsbBridgeTest, DelayIsTakenAndUnknownRequestsStall) {
    EXPECT_TRUE(bridge.controlOut(TinyUsbBridge::kSetDelay, 10, 0, {}));
    EXPECT_EQ(bridge.bitDelayMicroseconds(), 10);
    EXPECT_FALSE(bridge.controlOut(0x40, 0, 0, {}));
    EXPECT_FALSE(bridge.controlIn(0x40, 0, 0, 1).has_value());
    EXPECT_EQ(bridge.controlIn(TinyUsbBridge::kEcho, 0x1234, 0, 2), (Bytes{0x34, 0x12}));
}

TEST_F(TinyUsbBridgeTest, RemembersWhatTheProgrammingRegisterLastTook) {
    EXPECT_EQ(bridge.programRegister(), std::nullopt);
    ASSERT_TRUE(writeByteData(0x20, chip::EEPROM_PROGRAM, chip::kProgramArm1));
    ASSERT_TRUE(writeByteData(0x20, chip::EEPROM_PROGRAM, chip::kProgramArm2));
    EXPECT_EQ(bridge.programRegister(), chip::kProgramArm2);
    ASSERT_TRUE(writeByteData(0x20, chip::EEPROM_PROGRAM, 0x00));
    EXPECT_EQ(bridge.programRegister(), 0x00);
    // A write that never reached the chip changes nothing.
    EXPECT_FALSE(writeByteData(0x21, chip::EEPROM_PROGRAM, 0x71));
    EXPECT_EQ(bridge.programRegister(), 0x00);
}

}  // namespace
