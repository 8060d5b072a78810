// The programming voltage through the i2c-dev back-end's GPIO line, and the board's power line.

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <iterator>

#include "core/adapters/board_power.h"
#include "core/adapters/i2c_dev_adapter.h"
#include "fake_gpio_system.h"
#include "fake_i2c_dev_system.h"

namespace {

struct PulseLineTest : ::testing::Test {
    std::shared_ptr<FakeI2cDevSystem> sys = std::make_shared<FakeI2cDevSystem>();
    std::shared_ptr<FakeGpioSystem> gpio = std::make_shared<FakeGpioSystem>();

    PulseLineTest() { gpio->chips["gpiochip2"].lineNames = {"", "", "", "VPROG", "", "", "", ""}; }
    std::unique_ptr<I2cDevAdapter> make(const std::string& line,
                                        std::shared_ptr<GpioSystem> g = nullptr) {
        return std::make_unique<I2cDevAdapter>("", line, sys, g ? g : gpio);
    }
    static std::int32_t pulse(Talvex& adapter, std::int16_t onOff) {
        std::int16_t a = onOff, b = 0, c = 0;
        return adapter.transfer(Talvex::kSelectorPulse, a, b, c);
    }
    const FakeGpioSystem::Line& line3() { return gpio->lines["gpiochip2:3"]; }
};

}  // namespace

TEST_F(PulseLineTest, WithoutALineEveryPulseFailsWithAReason) {
    auto adapter = make("");
    EXPECT_NE(pulse(*adapter, 1), 0);
    EXPECT_NE(adapter->lastError().find("--pulse-gpio"), std::string::npos);
    EXPECT_NE(pulse(*adapter, 0), 0);
    EXPECT_EQ(gpio->openChips, 0);
}

TEST_F(PulseLineTest, ABuildWithoutGpioSupportFailsWithAReason) {
    I2cDevAdapter adapter("", "gpiochip2:3", sys, nullptr);
    EXPECT_NE(pulse(adapter, 1), 0);
    EXPECT_NE(adapter.lastError().find("no GPIO support"), std::string::npos);
}

TEST_F(PulseLineTest, TheLineIsHeldHighOnlyWhileTheVoltageIsOn) {
    auto adapter = make("gpiochip2:3");
    EXPECT_FALSE(line3().requested);
    ASSERT_EQ(pulse(*adapter, 1), 0) << adapter->lastError();
    EXPECT_TRUE(line3().requested);
    EXPECT_EQ(line3().level, 1);
    EXPECT_EQ(gpio->lastConsumer, "varenthal");
    EXPECT_EQ(pulse(*adapter, 1), 0) << "on again keeps the one request";
    EXPECT_EQ(gpio->openChips, 1);

    EXPECT_EQ(pulse(*adapter, 0), 0);
    EXPECT_EQ(line3().level, 0) << "driven low before it is given back";
    EXPECT_FALSE(line3().requested);
    EXPECT_EQ(gpio->openChips, 0);
    EXPECT_EQ(pulse(*adapter, 0), 0) << "off when off is fine";
}

TEST_F(PulseLineTest, HoldingRequestsTheLineLowAheadOfThePulse) {
    auto adapter = make("gpiochip2:3");
    std::string reason;
    ASSERT_EQ(adapter->holdPulseLine(reason), 0) << reason;
    EXPECT_TRUE(line3().requested);
    EXPECT_EQ(line3().level, 0);
    ASSERT_EQ(pulse(*adapter, 1), 0);
    EXPECT_EQ(line3().level, 1);
    EXPECT_EQ(pulse(*adapter, 0), 0);
    EXPECT_FALSE(line3().requested);

    auto unwired = make("");
    EXPECT_NE(unwired->holdPulseLine(reason), 0);
    EXPECT_NE(reason.find("--pulse-gpio"), std::string::npos);
}

TEST_F(PulseLineTest, LinesAreFoundByNameAndOffsetsAreChecked) {
    auto byName = make("gpiochip2:VPROG");
    ASSERT_EQ(pulse(*byName, 1), 0) << byName->lastError();
    EXPECT_EQ(line3().level, 1);
    byName->close();

    auto unknown = make("gpiochip2:NOPE");
    EXPECT_EQ(pulse(*unknown, 1), -ENOENT);
    EXPECT_NE(unknown->lastError().find("no GPIO line named 'NOPE'"), std::string::npos);
    auto beyond = make("gpiochip2:8");
    EXPECT_EQ(pulse(*beyond, 1), -EINVAL);
    auto noChip = make("gpiochip9:1");
    EXPECT_EQ(pulse(*noChip, 1), -ENOENT);
    EXPECT_NE(noChip->lastError().find("no GPIO chip 'gpiochip9'"), std::string::npos);
    EXPECT_EQ(gpio->openChips, 0) << "every failed attempt closes its chip";
}

TEST_F(PulseLineTest, RefusedChipOrLineFailsAndHoldsNothing) {
    gpio->chips["gpiochip2"].openResult = -EACCES;
    auto denied = make("gpiochip2:3");
    EXPECT_EQ(pulse(*denied, 1), -EACCES);
    EXPECT_NE(denied->lastError().find("udev rule"), std::string::npos);

    gpio->chips["gpiochip2"].openResult = 0;
    gpio->chips["gpiochip2"].requestResult = -EBUSY;
    auto busy = make("gpiochip2:3");
    EXPECT_EQ(pulse(*busy, 1), -EBUSY);
    EXPECT_NE(busy->lastError().find("in use by another program"), std::string::npos);
    EXPECT_EQ(gpio->openChips, 0);
}

TEST_F(PulseLineTest, OnlyOneAndZeroSwitchTheVoltage) {
    auto adapter = make("gpiochip2:3");
    EXPECT_EQ(pulse(*adapter, 2), -EINVAL);
    EXPECT_EQ(pulse(*adapter, -1), -EINVAL);
    EXPECT_FALSE(line3().requested);
    EXPECT_EQ(gpio->openChips, 0);
}

TEST_F(PulseLineTest, CloseAndDestructionSwitchTheVoltageOff) {
    auto adapter = make("gpiochip2:3");
    ASSERT_EQ(adapter->open("/dev/i2c-4"), 0);
    ASSERT_EQ(pulse(*adapter, 1), 0);
    adapter->close();
    EXPECT_EQ(line3().level, 0);
    EXPECT_FALSE(line3().requested);

    ASSERT_EQ(pulse(*adapter, 1), 0);
    EXPECT_TRUE(line3().requested);
    adapter.reset();
    EXPECT_EQ(line3().level, 0);
    EXPECT_FALSE(line3().requested);
    EXPECT_EQ(gpio->openChips, 0);
}

TEST_F(PulseLineTest, AFailedSwitchOffStillGivesTheLineBackAndSaysSo) {
    auto adapter = make("gpiochip2:3");
    ASSERT_EQ(pulse(*adapter, 1), 0);
    gpio->setValueResult = -EIO;
    EXPECT_EQ(pulse(*adapter, 0), -EIO);
    EXPECT_NE(adapter->lastError().find("low"), std::string::npos);
    EXPECT_FALSE(line3().requested);
    EXPECT_EQ(gpio->openChips, 0);
}

// The real back-end opens libgpiod only at the first chip asked for. An absent chip then
// reads as absent, which shows that the library and every call it needs were found.
TEST(GpiodSystem, LoadsLibgpiodOnlyWhenAChipIsOpened) {
    const auto mapped = [] {
        std::ifstream maps("/proc/self/maps");
        return std::string(std::istreambuf_iterator<char>(maps), {}).find("libgpiod") !=
               std::string::npos;
    };
    const std::shared_ptr<GpioSystem> real = makeGpioSystem();
    if (!real) GTEST_SKIP() << "built without libgpiod";
    EXPECT_FALSE(mapped());
    EXPECT_EQ(real->openChip("gpiochip4095"), -ENOENT);
    EXPECT_TRUE(mapped());
}

// The board's power cycle through a fixture's line: high (supply cut) for the whole off
// time, then low and given back, so that the board is powered again and no line is left held.
TEST_F(PulseLineTest, ThePowerLineCutsTheSupplyOnlyForTheOffTime) {
    const std::unique_ptr<BoardPower> power = makeGpioBoardPower(gpio, "gpiochip2:VPROG");
    std::vector<std::string> seen;
    std::string reason;
    ASSERT_TRUE(power->cycle(
        2.0,
        [&](double seconds) {
            seen.push_back(std::to_string(line3().level) + (line3().requested ? " held " : " ") +
                           std::to_string(seconds).substr(0, 3));
        },
        reason))
        << reason;
    EXPECT_EQ(seen, std::vector<std::string>{"1 held 2.0"});
    EXPECT_EQ(line3().level, 0);
    EXPECT_FALSE(line3().requested);
    EXPECT_EQ(gpio->openChips, 0);

    EXPECT_FALSE(makeGpioBoardPower(gpio, "gpiochip9:1")
                     ->cycle(
                         2.0, [](double) {}, reason));
    EXPECT_NE(reason.find("cannot switch the board's power off"), std::string::npos) << reason;
}
