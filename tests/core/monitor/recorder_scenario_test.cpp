// The recorder on the simulated chip driven by a scenario: OV set at 2 s and released by
// LTCLR at 5 s, sampled once a second, gives the two events and the rows at the right times.

#include <gtest/gtest.h>

#include "core/monitor/flag_events.h"
#include "core/monitor/monitor_plot_model.h"
#include "core/monitor/sample_format.h"
#include "core/sim/sim_scenario.h"
#include "core/sim/simulated_chip.h"
#include "tests/core/sim/manual_clock.h"

namespace {

using namespace std::chrono_literals;

struct Recording {
    std::vector<std::string> events;  // "t  text", t in seconds of the run
    std::vector<std::string> ovColumn;
};

Recording record(const std::string& scenarioText, int seconds) {
    ManualClock clock;
    auto chip = std::make_shared<SimulatedChip>(SimulatedChip::kDefaultEeprom, clock.clock());
    SimScenarioPlayer player(chip, *parseSimScenario(scenarioText), clock.clock());
    player.start();
    const monitor::RegisterReader read = [&](std::uint8_t address, std::uint8_t& data) {
        player.advance();
        return chip->readRegister(address, data);
    };
    monitor::FlagEventTracker tracker;
    monitor::MonitorPlotModel plot({});
    Recording run;
    for (int t = 0; t <= seconds; ++t) {
        const auto sample = monitor::takeSample({}, read, {}, t);
        plot.add(sample);
        for (const auto& e : tracker.update(sample)) {
            run.events.push_back(monitor::secondsText(e.seconds) + "  " + e.text);
        }
        const std::string row = monitor::csvRow(sample);
        // time,seconds,status,SCD,OCD,OV: the sixth field.
        std::size_t at = 0;
        for (int comma = 0; comma < 5; ++comma) at = row.find(',', at) + 1;
        run.ovColumn.push_back(row.substr(at, row.find(',', at) - at));
        clock.advance(1000ms);
    }
    return run;
}

TEST(RecorderScenario, OvSetAtTwoAndReleasedAtFiveSeconds) {
    const Recording run = record("2000 ov on\n5000 ov off\n5000 ltclr on\n5000 ltclr off\n", 6);
    EXPECT_EQ(run.events, (std::vector<std::string>{"2.000  OV set", "2.000  CHG cleared",
                                                    "5.000  OV cleared", "5.000  CHG set"}));
    EXPECT_EQ(run.ovColumn, (std::vector<std::string>{"0", "0", "1", "1", "1", "0", "0"}));
}

TEST(RecorderScenario, TheFlagStaysLatchedWithoutLtclr) {
    const Recording run = record("2000 ov on\n3000 ov off\n", 4);
    EXPECT_EQ(run.events, (std::vector<std::string>{"2.000  OV set", "2.000  CHG cleared"}));
}

TEST(RecorderScenario, ALostChipIsOneNoAnswerAndItsRowsAreEmpty) {
    const Recording run = record("1000 nak=00 on\n3000 nak=00 off\n", 3);
    EXPECT_EQ(run.events, (std::vector<std::string>{"1.000  no answer", "3.000  answering again"}));
    EXPECT_EQ(run.ovColumn, (std::vector<std::string>{"0", "", "", "0"}));
}

}  // namespace
