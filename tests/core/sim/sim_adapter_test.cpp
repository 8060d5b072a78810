#include "core/sim/sim_adapter.h"

#include <gtest/gtest.h>

namespace {

class SimAdapterTest : public ::testing::Test {
protected:
    std::int32_t read(std::int16_t device, std::int16_t reg, std::int16_t& data) {
        return adapter_.transfer(Talvex::kSelectorRead, device, reg, data);
    }
    std::int32_t write(std::int16_t device, std::int16_t reg, std::int16_t data) {
        return adapter_.transfer(Talvex::kSelectorWrite, device, reg, data);
    }
    std::int32_t pulse(std::int16_t on) {
        std::int16_t b = 0;
        std::int16_t c = 0;
        return adapter_.transfer(Talvex::kSelectorPulse, on, b, c);
    }

    std::shared_ptr<SimulatedChip> chip_ = std::make_shared<SimulatedChip>();
    SimAdapter adapter_{chip_};
};

TEST_F(SimAdapterTest, OffersOneDeviceWithTheChipAt0x20) {
    std::int32_t count = 0;
    std::string names;
    EXPECT_EQ(adapter_.listFreeDevices(1, count, names), 0);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(names, "sim");
    EXPECT_EQ(adapter_.open("sim"), 0);
    EXPECT_NE(adapter_.open("other"), 0);

    EXPECT_EQ(write(0x20, chip::CELL_BALANCE, 0x5A), 0);
    std::int16_t data = 0;
    EXPECT_EQ(read(0x20, chip::CELL_BALANCE, data), 0);
    EXPECT_EQ(data, 0x5A);
}

TEST_F(SimAdapterTest, OtherDeviceAddressesAreAbsent) {
    std::int16_t data = 0x33;
    for (std::int16_t device : {0x00, 0x1F, 0x21, 0x40, -1}) {
        EXPECT_NE(read(device, chip::STATUS, data), 0) << device;
        EXPECT_NE(write(device, chip::CELL_BALANCE, 0xFF), 0) << device;
    }
    EXPECT_EQ(data, 0x33);
    EXPECT_EQ(read(0x20, chip::CELL_BALANCE, data), 0);
    EXPECT_EQ(data, 0) << "writes to other devices reached the chip";
}

TEST_F(SimAdapterTest, RejectsRegistersOutsideAByteAndUnknownSelectors) {
    std::int16_t data = 0;
    EXPECT_NE(read(0x20, 0x100, data), 0);
    EXPECT_NE(read(0x20, -1, data), 0);
    std::int16_t a = 0x20, b = 0, c = 0;
    EXPECT_NE(adapter_.transfer(3, a, b, c), 0);
    EXPECT_NE(pulse(2), 0);
    EXPECT_FALSE(chip_->programmingVoltage());
}

TEST_F(SimAdapterTest, UnpluggedAdapterFailsEverythingUntilPluggedIn) {
    chip_->setCondition(SimCondition::Unplugged, true);
    std::int32_t count = 5;
    std::string names = "x";
    adapter_.listFreeDevices(1, count, names);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(names, "");
    EXPECT_NE(adapter_.open("sim"), 0);
    std::int16_t data = 0;
    EXPECT_NE(read(0x20, chip::STATUS, data), 0);
    EXPECT_NE(write(0x20, chip::CELL_BALANCE, 0xFF), 0);
    EXPECT_NE(pulse(1), 0);
    EXPECT_FALSE(chip_->programmingVoltage());

    chip_->setCondition(SimCondition::Unplugged, false);
    EXPECT_EQ(read(0x20, chip::CELL_BALANCE, data), 0);
    EXPECT_EQ(data, 0);
}

TEST_F(SimAdapterTest, NakFailsOnlyThatRegister) {
    chip_->apply(*parseSimFault("nak=04"));
    std::int16_t data = 0;
    EXPECT_NE(read(0x20, 0x04, data), 0);
    EXPECT_NE(write(0x20, 0x04, 1), 0);
    EXPECT_EQ(read(0x20, 0x03, data), 0);
    EXPECT_EQ(read(0x20, 0x05, data), 0);
}

}  // namespace
