#include "core/link/communication.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/base/part_variables.h"
#include "core/link/frm_usb.h"
#include "tests/core/link/recording_adapter.h"

namespace {

// Installs a recording adapter as the back-end and listens to the status line.
class CommunicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        PartVariables::I2CSlaveAddress = 32;
        frmUSB::Reset();
        frmUSB::SetFactory([this] { return std::make_unique<RecordingAdapter>(calls, script); });
        Communication::SetCommStatusListener([this](std::string_view text) {
            status = std::string(text);
            ++statusUpdates;
        });
    }
    void TearDown() override {
        Communication::SetCommStatusListener({});
        frmUSB::Reset();
        frmUSB::SetFactory({});
    }

    std::vector<std::string> calls;
    RecordingAdapter::Script script;
    std::optional<std::string> status;
    int statusUpdates = 0;
};

TEST_F(CommunicationTest, ReadPassesAddressesUnchangedAndReportsOk) {
    script.registers[0xC3] = 0x5A;
    std::uint8_t data = 0x11;
    EXPECT_EQ(Communication::ReadRegister(0xC3, data), 0);
    EXPECT_EQ(data, 0x5A);
    // selector 2, device 32, register 0xC3 (195), the caller's byte going in
    ASSERT_EQ(calls, std::vector<std::string>{"transfer 2 32 195 17"});
    EXPECT_EQ(status, "I2C Comm Status: OK");
}

TEST_F(CommunicationTest, FailedReadShowsErrorAndKeepsTheCallersByte) {
    script.readResult = 7;
    script.readWritesData = false;
    std::uint8_t data = 0x42;
    EXPECT_EQ(Communication::ReadRegister(0x01, data), 7);
    EXPECT_EQ(data, 0x42);
    EXPECT_EQ(status, "I2C Comm Status: Error");

    // A later good read puts OK back.
    script.readResult = 0;
    frmUSB::Reset();
    std::uint8_t again = 0;
    EXPECT_EQ(Communication::ReadRegister(0x01, again), 0);
    EXPECT_EQ(status, "I2C Comm Status: OK");
}

TEST_F(CommunicationTest, FailedReadStillHandsBackWhatTheAdapterLeft) {
    script.readResult = -1;
    script.registers[0x02] = 0x99;
    std::uint8_t data = 0;
    EXPECT_EQ(Communication::ReadRegister(0x02, data), -1);
    EXPECT_EQ(data, 0x99);
}

TEST_F(CommunicationTest, WritesNeverTouchTheStatusLine) {
    Communication::WriteRegister(0x05, 0x80);
    EXPECT_EQ(statusUpdates, 0);

    std::uint8_t data = 0;
    Communication::ReadRegister(0x00, data);
    ASSERT_EQ(status, "I2C Comm Status: OK");
    frmUSB::Reset();
    script.writeResult = -5;
    Communication::WriteRegister(0x01, 0xFF);
    EXPECT_EQ(status, "I2C Comm Status: OK");
    EXPECT_EQ(statusUpdates, 1);
    EXPECT_EQ(calls.back(), "transfer 1 32 1 255");
}

TEST_F(CommunicationTest, WriteI2CBytesPassesTheLastThreeValuesWithSelectorZero) {
    script.pulseResult = 3;
    std::int16_t b2 = 9, b3 = 1, b4 = 0, b5 = 0;
    EXPECT_EQ(Communication::WriteI2CBytes(b2, b3, b4, b5), 3);
    ASSERT_EQ(calls, std::vector<std::string>{"transfer 0 1 0 0"});
    EXPECT_EQ(statusUpdates, 0);
}

TEST_F(CommunicationTest, WideResultCodesStayFailures) {
    // 0x10000 has a zero low half; it must not turn into success on the way to 16 bits.
    script.readResult = 0x10000;
    std::uint8_t data = 0;
    EXPECT_NE(Communication::ReadRegister(0x00, data), 0);
    EXPECT_EQ(status, "I2C Comm Status: Error");

    frmUSB::Reset();
    script.openResult = 0x20000;
    EXPECT_FALSE(frmUSB::Get().OpenFirstFreeDevice());
}

TEST_F(CommunicationTest, OpenFirstFreeDeviceOpensTheFirstListedName) {
    script.listNames = "/dev/i2c-7,/dev/i2c-9";
    script.listResult = 4;  // not relied upon
    EXPECT_TRUE(frmUSB::Get().OpenFirstFreeDevice());
    EXPECT_EQ(calls, (std::vector<std::string>{"list 1", "open /dev/i2c-7"}));

    frmUSB::Get().CloseDevice();
    EXPECT_EQ(calls.back(), "close");
}

TEST_F(CommunicationTest, OpenFirstFreeDeviceFailsWithoutDevicesOrOnAFailedOpen) {
    script.listCount = 0;
    EXPECT_FALSE(frmUSB::Get().OpenFirstFreeDevice());
    EXPECT_EQ(calls, std::vector<std::string>{"list 1"});

    frmUSB::Reset();
    calls.clear();
    script.listCount = 1;
    script.openResult = 1;
    EXPECT_FALSE(frmUSB::Get().OpenFirstFreeDevice());
    EXPECT_EQ(calls, (std::vector<std::string>{"list 1", "open dev0"}));
}

TEST(FrmUsb, WithoutAFactoryEveryOperationFails) {
    frmUSB::Reset();
    frmUSB::SetFactory({});
    EXPECT_FALSE(frmUSB::Get().OpenFirstFreeDevice());
    std::uint8_t data = 0x33;
    EXPECT_NE(Communication::ReadRegister(0x00, data), 0);
    EXPECT_EQ(data, 0x33);
    frmUSB::Reset();
}

}  // namespace
