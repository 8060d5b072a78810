#include "core/adapters/i2c_dev_adapter.h"

#include <gtest/gtest.h>

#include "fake_i2c_dev_system.h"

namespace {

const std::string kBus = "/dev/i2c-4";

struct I2cDevAdapterTest : ::testing::Test {
    std::shared_ptr<FakeI2cDevSystem> sys = std::make_shared<FakeI2cDevSystem>();
    I2cDevAdapter adapter{"", "", sys, nullptr};

    std::int32_t read(std::int16_t device, std::int16_t reg, std::int16_t& data) {
        std::int16_t a = device, b = reg;
        return adapter.transfer(Talvex::kSelectorRead, a, b, data);
    }
    std::int32_t write(std::int16_t device, std::int16_t reg, std::int16_t data) {
        std::int16_t a = device, b = reg;
        return adapter.transfer(Talvex::kSelectorWrite, a, b, data);
    }
};

}  // namespace

TEST_F(I2cDevAdapterTest, OpenRefusesABusWithoutByteDataReadAndWrite) {
    sys->funcs = 0x00080000;  // byte-data reads only
    EXPECT_EQ(adapter.open(kBus), -EOPNOTSUPP);
    EXPECT_TRUE(sys->openFds.empty()) << "the refused bus must be closed again";
    EXPECT_NE(adapter.lastError().find("cannot do SMBus byte-data reads and writes"),
              std::string::npos);
    ASSERT_EQ(sys->diagnostics.size(), 1u);
    EXPECT_EQ(sys->diagnostics[0], "varenthal: " + adapter.lastError());

    std::int16_t data = 0;
    EXPECT_NE(read(0x20, 0, data), 0) << "nothing is open after a refused open";
}

TEST_F(I2cDevAdapterTest, OpenFailsCleanlyWhenTheFunctionQueryFails) {
    sys->funcsResult = -EIO;
    EXPECT_EQ(adapter.open(kBus), -EIO);
    EXPECT_TRUE(sys->openFds.empty());
}

TEST_F(I2cDevAdapterTest, PermissionDeniedTellsHowToGetAccess) {
    sys->openResults[kBus] = -EACCES;
    sys->groups[kBus] = "i2c";
    EXPECT_EQ(adapter.open(kBus), -EACCES);
    const std::string& why = adapter.lastError();
    EXPECT_NE(why.find("permission denied on /dev/i2c-4"), std::string::npos) << why;
    EXPECT_NE(why.find("usermod -aG i2c"), std::string::npos) << why;
    EXPECT_NE(why.find("60-varenthal-i2c.rules.example"), std::string::npos) << why;
    ASSERT_EQ(sys->diagnostics.size(), 1u);
    EXPECT_EQ(sys->diagnostics[0].find('\n'), std::string::npos) << "one line";

    // A node that belongs to root: joining root's group is no advice to give.
    sys->groups[kBus] = "root";
    EXPECT_EQ(adapter.open(kBus), -EACCES);
    EXPECT_EQ(adapter.lastError().find("group 'root'"), std::string::npos);
    EXPECT_NE(adapter.lastError().find("udev rule"), std::string::npos);
}

TEST_F(I2cDevAdapterTest, MissingBusIsANonzeroResultWithAReason) {
    sys->openResults[kBus] = -ENOENT;
    EXPECT_EQ(adapter.open(kBus), -ENOENT);
    EXPECT_NE(adapter.lastError().find("no such bus /dev/i2c-4"), std::string::npos);
}

TEST_F(I2cDevAdapterTest, TransfersBeforeOpenFailWithoutTouchingTheSystem) {
    std::int16_t data = 0x5A;
    EXPECT_EQ(read(0x20, 0, data), -EBADF);
    EXPECT_EQ(data, 0x5A);
    EXPECT_EQ(write(0x20, 1, 0x10), -EBADF);
    EXPECT_TRUE(sys->calls.empty());
}

TEST_F(I2cDevAdapterTest, ReadsAndWritesByteDataAtTheGivenDevice) {
    ASSERT_EQ(adapter.open(kBus), 0);
    sys->registers[0x00] = 0x20;
    std::int16_t data = 0;
    EXPECT_EQ(read(0x20, 0x00, data), 0);
    EXPECT_EQ(data, 0x20);
    EXPECT_EQ(write(0x20, 0x0B, 0xFF), 0);
    EXPECT_EQ(sys->registers[0x0B], 0xFF);
    EXPECT_EQ(adapter.lastError(), "");
    EXPECT_EQ(sys->calls,
              (std::vector<std::string>{"open /dev/i2c-4", "slave 32", "read 0", "write 11 255"}));
}

TEST_F(I2cDevAdapterTest, DeviceAddressIsSetOnlyWhenItChanges) {
    ASSERT_EQ(adapter.open(kBus), 0);
    std::int16_t data = 0;
    read(0x20, 0, data);
    read(0x20, 1, data);
    write(0x21, 1, 0);
    read(0x20, 2, data);
    adapter.close();
    ASSERT_EQ(adapter.open(kBus), 0);
    read(0x20, 3, data);  // a new descriptor knows no address yet
    EXPECT_EQ(sys->calls,
              (std::vector<std::string>{"open /dev/i2c-4", "slave 32", "read 0", "read 1",
                                        "slave 33", "write 1 0", "slave 32", "read 2", "close",
                                        "open /dev/i2c-4", "slave 32", "read 3"}));
}

TEST_F(I2cDevAdapterTest, EveryBusErrorBecomesItsNegativeErrnoAndLeavesTheDataAlone) {
    ASSERT_EQ(adapter.open(kBus), 0);
    for (const int err : {ENXIO, ENODEV, EREMOTEIO, ETIMEDOUT, EIO, EAGAIN, ESHUTDOWN}) {
        sys->transferResult = -err;
        std::int16_t data = 0x33;
        EXPECT_EQ(read(0x20, 5, data), -err) << err;
        EXPECT_EQ(data, 0x33) << "a failed read must not invent a byte";
        EXPECT_EQ(write(0x20, 5, 0x44), -err) << err;
        EXPECT_NE(adapter.lastError().find("register 0x05 at device 0x20 on /dev/i2c-4"),
                  std::string::npos)
            << adapter.lastError();
    }
}

TEST_F(I2cDevAdapterTest, AddressHeldByAKernelDriverFailsAndIsRetriedNextTime) {
    ASSERT_EQ(adapter.open(kBus), 0);
    sys->addressResults[0x20] = -EBUSY;
    std::int16_t data = 0;
    EXPECT_EQ(read(0x20, 0, data), -EBUSY);
    EXPECT_NE(adapter.lastError().find("in use by a kernel driver"), std::string::npos);
    sys->addressResults.clear();
    EXPECT_EQ(read(0x20, 0, data), 0);
    EXPECT_EQ(sys->calls,
              (std::vector<std::string>{"open /dev/i2c-4", "slave 32", "slave 32", "read 0"}));
}

TEST_F(I2cDevAdapterTest, ValuesOutsideTheirRangeFailBeforeReachingTheBus) {
    ASSERT_EQ(adapter.open(kBus), 0);
    std::int16_t data = 0;
    EXPECT_EQ(read(0x20, 256, data), -EINVAL);
    EXPECT_EQ(read(0x20, -1, data), -EINVAL);
    EXPECT_EQ(write(0x20, 1, 256), -EINVAL);
    EXPECT_EQ(write(0x20, 1, -1), -EINVAL);
    EXPECT_EQ(read(0x80, 0, data), -EINVAL);
    EXPECT_EQ(read(-1, 0, data), -EINVAL);
    std::int16_t a = 0x20, b = 0, c = 0;
    EXPECT_EQ(adapter.transfer(7, a, b, c), -EINVAL);
    EXPECT_EQ(sys->calls, std::vector<std::string>{"open /dev/i2c-4"});
}

TEST_F(I2cDevAdapterTest, ARepeatedFailureIsPrintedOnceUntilTheBusRecovers) {
    ASSERT_EQ(adapter.open(kBus), 0);
    sys->transferResult = -ENXIO;
    std::int16_t data = 0;
    for (int i = 0; i < 5; ++i) read(0x20, static_cast<std::int16_t>(i), data);
    EXPECT_EQ(sys->diagnostics.size(), 1u);
    sys->transferResult = -ETIMEDOUT;
    read(0x20, 0, data);
    EXPECT_EQ(sys->diagnostics.size(), 2u) << "a different failure is news";
    sys->transferResult = 0;
    read(0x20, 0, data);
    sys->transferResult = -ETIMEDOUT;
    read(0x20, 0, data);
    EXPECT_EQ(sys->diagnostics.size(), 3u) << "a failure after a success is news";
}

TEST_F(I2cDevAdapterTest, CloseAndDestructionGiveTheDescriptorBack) {
    ASSERT_EQ(adapter.open(kBus), 0);
    ASSERT_EQ(adapter.open("/dev/i2c-5"), 0);
    EXPECT_EQ(sys->openFds.size(), 1u) << "opening again closes the previous bus";
    {
        I2cDevAdapter other("", "", sys, nullptr);
        ASSERT_EQ(other.open(kBus), 0);
        EXPECT_EQ(sys->openFds.size(), 2u);
    }
    EXPECT_EQ(sys->openFds.size(), 1u);
    adapter.close();
    EXPECT_TRUE(sys->openFds.empty());
}

TEST_F(I2cDevAdapterTest, AFailureOnAVanishedNodeLetsGoOfTheBusAtOnce) {
    ASSERT_EQ(adapter.open(kBus), 0);
    sys->transferResult = -ENXIO;
    std::int16_t data = 0;
    EXPECT_EQ(read(0x20, 0, data), -ENXIO);
    EXPECT_EQ(sys->openFds.size(), 1u) << "a chip that does not answer is no unplug";
    sys->goneNodes.insert(kBus);
    EXPECT_EQ(read(0x20, 0, data), -ENXIO);
    EXPECT_TRUE(sys->openFds.empty());
    EXPECT_EQ(read(0x20, 0, data), -EBADF);
    sys->transferResult = 0;
    sys->goneNodes.clear();
    ASSERT_EQ(adapter.open(kBus), 0);  // the reopen after the replug
    EXPECT_EQ(read(0x20, 0, data), 0);
}

// The real kernel interface on nodes that every machine has: failures come back as values.
TEST(I2cDevAdapterOnTheRealSystem, NodesThatAreNoI2cBusFailCleanly) {
    auto adapter = makeI2cDevAdapter("", "/dev/varenthal-no-such-chip:1");
    EXPECT_EQ(adapter->open("/dev/varenthal-no-such-bus"), -ENOENT);
    // Anything but a bus node of the i2c-dev driver is refused before it is opened.
    for (const char* path : {"/dev/null", "/dev/../etc/passwd"}) {
        EXPECT_EQ(adapter->open(path), -ENODEV) << path;
    }
    std::int16_t a = 0x20, b = 0, c = 0;
    EXPECT_EQ(adapter->transfer(Talvex::kSelectorRead, a, b, c), -EBADF);
    a = 1;
    EXPECT_NE(adapter->transfer(Talvex::kSelectorPulse, a, b, c), 0);
}
