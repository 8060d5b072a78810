#include "core/link/communication.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/support/recording_adapter.h"

namespace {

using Lines = std::vector<std::string>;

// A bus over a fake chip, not yet opened, with its status line heard.
class CommunicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake.bus.setStatusListener([this](std::string_view text) {
            status = std::string(text);
            ++statusUpdates;
        });
    }

    FakeBus fake{nullptr, false};
    FakeChip& chip = *fake.chip;
    Communication comm = fake.comm();
    std::optional<std::string> status;
    int statusUpdates = 0;
};

TEST_F(CommunicationTest, ReadPassesAddressesUnchangedAndReportsOk) {
    chip.registers[0xC3] = 0x5A;
    std::uint8_t data = 0x11;
    EXPECT_EQ(comm.ReadRegister(0xC3, data), 0);
    EXPECT_EQ(data, 0x5A);
    EXPECT_EQ(chip.log, Lines{"read C3 5A rc=0"});
    EXPECT_EQ(chip.device, 32);
    EXPECT_EQ(status, "I2C Comm Status: OK");
}

TEST_F(CommunicationTest, TheDeviceAddressIsTheBusOwn) {
    FakeBus other;
    other.bus.I2CSlaveAddress = 0x21;
    std::uint8_t data = 0;
    other.comm().ReadRegister(0x00, data);
    comm.WriteRegister(0x05, 0x80);
    EXPECT_EQ(other.chip->device, 0x21);
    EXPECT_EQ(chip.device, 32);
    EXPECT_FALSE(other.chip->log.empty());
    EXPECT_EQ(statusUpdates, 0);  // the other bus's read reports on its own line
}

TEST_F(CommunicationTest, FailedReadShowsErrorAndKeepsTheCallersByte) {
    chip.readResult = 7;
    std::uint8_t data = 0x42;
    EXPECT_EQ(comm.ReadRegister(0x01, data), 7);
    EXPECT_EQ(data, 0x42);
    EXPECT_EQ(status, "I2C Comm Status: Error");

    // A later good read puts OK back.
    chip.readResult = 0;
    std::uint8_t again = 0;
    EXPECT_EQ(comm.ReadRegister(0x01, again), 0);
    EXPECT_EQ(status, "I2C Comm Status: OK");
}

TEST_F(CommunicationTest, FailedReadStillHandsBackWhatTheAdapterLeft) {
    chip.readResult = -1;
    chip.failedReadsDeliver = true;
    chip.registers[0x02] = 0x99;
    std::uint8_t data = 0;
    EXPECT_EQ(comm.ReadRegister(0x02, data), -1);
    EXPECT_EQ(data, 0x99);
}

TEST_F(CommunicationTest, WritesNeverTouchTheStatusLine) {
    comm.WriteRegister(0x05, 0x80);
    EXPECT_EQ(statusUpdates, 0);

    std::uint8_t data = 0;
    comm.ReadRegister(0x00, data);
    ASSERT_EQ(status, "I2C Comm Status: OK");
    chip.writeResult = -5;
    comm.WriteRegister(0x01, 0xFF);
    EXPECT_EQ(status, "I2C Comm Status: OK");
    EXPECT_EQ(statusUpdates, 1);
    EXPECT_EQ(chip.log.back(), "write 01 FF rc=-5");
}

TEST_F(CommunicationTest, WriteI2CBytesPassesTheLastThreeValuesWithSelectorZero) {
    chip.pulseResult = 3;
    std::int16_t b2 = 9, b3 = 1, b4 = 0, b5 = 0;
    EXPECT_EQ(comm.WriteI2CBytes(b2, b3, b4, b5), 3);
    EXPECT_EQ(chip.log, Lines{"pulse 1 0 0 rc=3"});
    EXPECT_EQ(statusUpdates, 0);
}

TEST_F(CommunicationTest, WritesAreRefusedWhileTheBusIsProgrammingExceptTheSequenceOwn) {
    {
        const ProgrammingState::Scope programming(comm.programming());
        EXPECT_EQ(comm.WriteRegister(0x05, 0x80), Communication::kWriteRefused);
        const ProgrammingState::SequenceWrites own(comm.programming());
        EXPECT_EQ(comm.WriteRegister(0x0B, 0x71), 0);
        // Another bus is not held up.
        FakeBus other;
        EXPECT_EQ(other.comm().WriteRegister(0x05, 0x80), 0);
    }
    EXPECT_EQ(comm.WriteRegister(0x05, 0x81), 0);
    EXPECT_EQ(chip.log, (Lines{"write 0B 71 rc=0", "write 05 81 rc=0"}));
}

// Whether 0x0B may hold an arming value, so that the safe end disarms it: an unanswered write
// may still have reached the chip.
TEST_F(CommunicationTest, TheProgramRegisterCountsAsArmedAfterAnyArmingWrite) {
    struct Step {
        std::uint8_t value;
        int rc;
        bool armedAfter;
    };
    const std::vector<Step> steps{{0x71, -5, true}, {0x00, 0, false}, {0x41, 0, true},
                                  {0x00, -5, true}, {0x00, 0, false}, {0x00, -5, false}};
    for (const Step& s : steps) {
        chip.writeResult = s.rc;
        comm.WriteRegister(0x0B, s.value);
        EXPECT_EQ(comm.ProgramRegisterArmed(), s.armedAfter)
            << "after 0x" << int(s.value) << " rc=" << s.rc;
    }
}

TEST_F(CommunicationTest, WideResultCodesStayFailures) {
    // 0x10000 has a zero low half; it must not turn into success on the way to 16 bits.
    chip.readResult = 0x10000;
    std::uint8_t data = 0;
    EXPECT_NE(comm.ReadRegister(0x00, data), 0);
    EXPECT_EQ(status, "I2C Comm Status: Error");

    chip.openResult = 0x20000;
    EXPECT_FALSE(fake.bus.OpenFirstFreeDevice());
}

TEST_F(CommunicationTest, OpenFirstFreeDeviceOpensTheFirstListedName) {
    chip.listNames = "/dev/i2c-7,/dev/i2c-9";
    chip.listResult = 4;  // not relied upon
    EXPECT_TRUE(fake.bus.OpenFirstFreeDevice());
    EXPECT_EQ(chip.log, (Lines{"list 1 /dev/i2c-7,/dev/i2c-9 rc=4", "open /dev/i2c-7 rc=0"}));

    fake.bus.CloseDevice();
    EXPECT_EQ(chip.log.back(), "close");
}

TEST_F(CommunicationTest, OpenFirstFreeDeviceFailsWithoutDevicesOrOnAFailedOpen) {
    chip.listCount = 0;
    EXPECT_FALSE(fake.bus.OpenFirstFreeDevice());
    EXPECT_EQ(chip.log, Lines{"list 0 fake rc=0"});

    chip.log.clear();
    chip.listCount = 1;
    chip.openResult = 1;
    EXPECT_FALSE(fake.bus.OpenFirstFreeDevice());
    EXPECT_EQ(chip.log, (Lines{"list 1 fake rc=0", "open fake rc=1"}));
}

TEST(FrmUsb, WithoutAnAdapterEveryOperationFails) {
    frmUSB bus(nullptr);
    EXPECT_FALSE(bus.OpenFirstFreeDevice());
    std::uint8_t data = 0x33;
    EXPECT_NE(Communication(bus).ReadRegister(0x00, data), 0);
    EXPECT_EQ(data, 0x33);
}

}  // namespace
