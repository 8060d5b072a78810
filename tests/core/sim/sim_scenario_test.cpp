// Scenario files: what is accepted, what is refused with its line, and the steps played on
// the chip behind the adapter from the moment it opens.

#include "core/sim/sim_scenario.h"

#include <gtest/gtest.h>

#include "core/sim/scenario_adapter.h"
#include "core/sim/sim_adapter.h"
#include "manual_clock.h"

namespace {

using namespace std::chrono_literals;

TEST(SimScenario, ParsesStepsInTimeOrderKeepingTheWrittenOrderOfEqualTimes) {
    const auto scenario = parseSimScenario(
        "# OV for three seconds\n"
        "\n"
        "5000 ov off   # gone\r\n"
        "2000\tov on\n"
        "5000 ltclr on\n"
        "5000 ltclr off\n"
        "0 nak=0x05 on");
    ASSERT_TRUE(scenario);
    ASSERT_EQ(scenario->size(), 5U);
    EXPECT_EQ((*scenario)[0].at, 0ms);
    EXPECT_EQ((*scenario)[0].fault->nakRegister, 0x05);
    EXPECT_EQ((*scenario)[1].at, 2000ms);
    EXPECT_EQ((*scenario)[1].fault->condition, SimCondition::Ov);
    EXPECT_TRUE((*scenario)[1].on);
    EXPECT_TRUE((*scenario)[2].fault);
    EXPECT_FALSE((*scenario)[2].on);
    EXPECT_FALSE((*scenario)[3].fault) << "ltclr";
    EXPECT_TRUE((*scenario)[3].on);
    EXPECT_FALSE((*scenario)[4].on);
}

TEST(SimScenario, RefusesABadLineAndNamesIt) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"100 ov", "line 1: expected 't_ms name on|off'"},
        {"100 ov on extra", "line 1: expected 't_ms name on|off'"},
        {"# fine\n-5 ov on", "line 2: bad time '-5'"},
        {"1.5 ov on", "line 1: bad time '1.5'"},
        {"100 overheat on", "line 1: unknown --sim-fault 'overheat'"},
        {"100 ov yes", "line 1: expected on or off, not 'yes'"},
    };
    for (const auto& [text, reason] : cases) {
        std::string error;
        EXPECT_FALSE(parseSimScenario(text, &error)) << text;
        EXPECT_EQ(error.substr(0, reason.size()), reason) << text;
    }
    std::string error;
    EXPECT_FALSE(loadSimScenario("/nonexistent/scenario.txt", &error));
    EXPECT_NE(error.find("/nonexistent/scenario.txt"), std::string::npos);
}

TEST(SimScenario, StepsPlayFromTheAdaptersOpenAndLtclrKeepsTheOtherBits) {
    ManualClock clock;
    auto chip = std::make_shared<SimulatedChip>(SimulatedChip::kDefaultEeprom, clock.clock());
    ScenarioAdapter adapter(
        std::make_unique<SimAdapter>(chip),
        std::make_unique<SimScenarioPlayer>(
            chip, *parseSimScenario("1000 ov on\n2000 ov off\n2000 ltclr on\n3000 ltclr off"),
            clock.clock()));
    const auto read = [&](std::int16_t reg) {
        std::int16_t device = chip::kDeviceAddress, data = 0;
        EXPECT_EQ(adapter.transfer(Talvex::kSelectorRead, device, reg, data), 0);
        return data;
    };
    clock.advance(5000ms);  // before the open nothing runs
    EXPECT_FALSE(chip->condition(SimCondition::Ov));
    ASSERT_EQ(adapter.open("sim"), 0);
    std::int16_t device = chip::kDeviceAddress, reg = chip::OUTPUT_CNTRL, data = 0x84;
    adapter.transfer(Talvex::kSelectorWrite, device, reg, data);

    clock.advance(999ms);
    EXPECT_EQ(read(chip::STATUS) & chip::kStatusOV, 0);
    clock.advance(1ms);
    EXPECT_NE(read(chip::STATUS) & chip::kStatusOV, 0);
    clock.advance(1000ms);
    EXPECT_NE(read(chip::STATUS) & chip::kStatusOV, 0) << "latched until LTCLR goes back to 0";
    EXPECT_EQ(read(chip::OUTPUT_CNTRL), 0x85);
    clock.advance(1000ms);
    EXPECT_EQ(read(chip::STATUS) & chip::kStatusOV, 0);
    EXPECT_EQ(read(chip::OUTPUT_CNTRL), 0x84);
}

}  // namespace
