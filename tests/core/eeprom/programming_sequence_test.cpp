#include "core/eeprom/programming_sequence.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "tests/gui/pages/eeprom/recording_adapter.h"

using namespace eeprom;

namespace {

// Records what the sequence asks of its front end into the bus log, so that waits,
// messages and bus traffic can be checked in one order.
class FakeHost final : public ProgrammingHost {
public:
    explicit FakeHost(std::shared_ptr<RecordingBus> bus) : bus_(std::move(bus)) {}

    void wait(double seconds) override {
        bus_->note("wait " + std::to_string(seconds).substr(0, 4));
        if (onWait) onWait();
    }
    void setProgressShown(bool shown) override {
        shown_ = shown;
        if (!shown) ++hides;
    }
    void setProgress(int percent) override { progress.push_back(percent); }
    void setVgoodLamp(bool lit) override { lamp = lit; }
    void message(std::string_view text, std::string_view title, MessageIcon) override {
        bus_->note("msg " + std::string(text));
        titles.emplace_back(title);
    }
    ConversionOutcome compose(EepromImage& image) override {
        if (outcome == ConversionOutcome::Written) image = page;
        return outcome;
    }
    void enableStatusMonitor() override { monitorEnabled = true; }

    bool shown() const { return shown_; }

    EepromImage page{0x2B, 0x5A, 0x97, 0x13, 0xC4};
    ConversionOutcome outcome = ConversionOutcome::Written;
    std::function<void()> onWait;
    std::vector<int> progress;
    std::vector<std::string> titles;
    std::optional<bool> lamp;
    int hides = 0;
    bool monitorEnabled = false;

private:
    std::shared_ptr<RecordingBus> bus_;
    bool shown_ = false;
};

class ProgrammingSequence : public ::testing::Test {
protected:
    void SetUp() override {
        bus = installRecordingAdapter();
        bus->registers[0x00] = 0x20;  // VGOOD
        host = std::make_unique<FakeHost>(bus);
    }
    void TearDown() override { frmUSB::Reset(); }

    // Every line after the conversion's writes, waits and messages included.
    std::vector<std::string> afterConversion() const {
        const auto& log = bus->log;
        auto it = std::find(log.begin(), log.end(), "W 0A=C4");
        return {it == log.end() ? log.begin() : it + 1, log.end()};
    }

    std::shared_ptr<RecordingBus> bus;
    std::unique_ptr<FakeHost> host;
};

using Lines = std::vector<std::string>;
const std::string kMsgFail = "msg EEPROM did not program correctly.";

}  // namespace

TEST_F(ProgrammingSequence, SuccessSendsTheArmingPulseAndReadBackInOrder) {
    EepromProgrammer programmer(*host);
    EXPECT_EQ(programmer.run(), ProgramResult::Success);
    EXPECT_EQ(bus->lines("W "), (Lines{"W 06=2B", "W 07=5A", "W 08=97", "W 09=13", "W 0A=C4",
                                       "W 0B=71", "W 0B=41", "W 0B=00"}));
    EXPECT_EQ(afterConversion(),
              (Lines{"W 0B=71", "wait 0.07", "W 0B=41", "wait 0.07", "R 00", "V on", "wait 1.00",
                     "W 0B=00", "V off", "R 06", "R 07", "R 08", "R 09", "R 0A", "R 01"}));
    EXPECT_EQ(host->progress, (std::vector<int>{30, 50, 60, 70, 80, 100}));
    EXPECT_FALSE(host->shown());
    EXPECT_EQ(host->lamp, true);
    EXPECT_FALSE(bus->voltageOn);
    EXPECT_FALSE(programmer.running());
}

TEST_F(ProgrammingSequence, VgoodMissingCancelsWithoutPulse) {
    bus->readOverride[0x00] = 0xDF;  // everything but VGOOD
    EXPECT_EQ(EepromProgrammer(*host).run(), ProgramResult::VgoodMissing);
    EXPECT_EQ(afterConversion(),
              (Lines{"W 0B=71", "wait 0.07", "W 0B=41", "wait 0.07", "R 00", "W 0B=00",
                     "msg VGOOD did not get set. EEPROM programming canceled."}));
    EXPECT_TRUE(bus->lines("V ").empty());
    EXPECT_EQ(host->lamp, false);
    EXPECT_EQ(host->titles, (Lines{"Varenthal"}));
    EXPECT_EQ(host->progress.back(), 100);
    EXPECT_FALSE(host->shown());
}

TEST_F(ProgrammingSequence, UnansweredStatusReadDisarmsWithoutPulseAndSaysSo) {
    bus->failingReads.insert(0x00);
    EXPECT_EQ(EepromProgrammer(*host).run(), ProgramResult::NoAnswer);
    EXPECT_EQ(afterConversion(), (Lines{"W 0B=71", "wait 0.07", "W 0B=41", "wait 0.07", "R 00",
                                        "W 0B=00", "msg " + std::string(kNoAnswerCanceled)}));
    EXPECT_FALSE(host->lamp.has_value());  // unknown: the lamp keeps what it showed
}

TEST_F(ProgrammingSequence, ReadBackDifferenceStopsAtTheFirstOne) {
    bus->readOverride[0x08] = 0x00;
    EXPECT_EQ(EepromProgrammer(*host).run(), ProgramResult::ReadBackDiffers);
    const Lines after = afterConversion();
    EXPECT_EQ(Lines(after.end() - 4, after.end()), (Lines{"R 06", "R 07", "R 08", kMsgFail}));
    EXPECT_EQ(bus->registers[0x0B], 0x00);
    EXPECT_EQ(host->progress, (std::vector<int>{30, 50, 60, 70, 80, 100}));
    EXPECT_FALSE(host->shown());
    EXPECT_FALSE(host->monitorEnabled);
}

TEST_F(ProgrammingSequence, FailedReadBackIsADifferenceEvenWhenTheByteMatches) {
    host->page = {0, 0, 0, 0, 0};
    bus->failingReads.insert(0x07);
    EXPECT_EQ(EepromProgrammer(*host).run(), ProgramResult::ReadBackDiffers);
    EXPECT_EQ(bus->log.back(), kMsgFail);
}

TEST_F(ProgrammingSequence, PfaltGivesOneMessageAndTurnsTheMonitorOn) {
    bus->readOverride[0x01] = 0x40;
    EXPECT_EQ(EepromProgrammer(*host).run(), ProgramResult::Pfalt);
    const Lines after = afterConversion();
    EXPECT_EQ(Lines(after.end() - 2, after.end()), (Lines{"R 01", kMsgFail}));
    EXPECT_EQ(std::count(bus->log.begin(), bus->log.end(), kMsgFail), 1);
    EXPECT_TRUE(host->monitorEnabled);
    EXPECT_EQ(host->progress.back(), 100);
    EXPECT_FALSE(host->shown());
    EXPECT_EQ(bus->registers[0x0B], 0x00);
}

TEST_F(ProgrammingSequence, VoltageRefusedDisarmsAndReportsFailure) {
    bus->voltageOnResult = 5;
    EXPECT_EQ(EepromProgrammer(*host).run(), ProgramResult::VoltageNotApplied);
    EXPECT_EQ(afterConversion(),
              (Lines{"W 0B=71", "wait 0.07", "W 0B=41", "wait 0.07", "R 00", "V on", "W 0B=00",
                     "V off", kMsgFail + "\n" + std::string(kVoltageNotOn)}));
    EXPECT_FALSE(host->shown());
}

TEST_F(ProgrammingSequence, AnErrorThrownWhileArmedStillEndsSafely) {
    EepromProgrammer programmer(*host);
    int waits = 0;
    host->onWait = [&] {
        if (++waits == 4) throw std::runtime_error("front end failed");  // inside the pulse
    };
    EXPECT_THROW(programmer.run(), std::runtime_error);
    const Lines after = afterConversion();
    EXPECT_EQ(Lines(after.end() - 2, after.end()), (Lines{"W 0B=00", "V off"}));
    EXPECT_FALSE(programmer.running());
    EXPECT_FALSE(host->shown());
}

TEST_F(ProgrammingSequence, NoArmWithoutTheProgrammingVoltageLine) {
    bus->holdResult = -16;
    EXPECT_EQ(EepromProgrammer(*host).run(), ProgramResult::NoPulseLine);
    EXPECT_EQ(bus->log,
              (Lines{"wait 1.00", "msg " + std::string(kNoPulseLineCanceled) +
                                      "\nGPIO gpiochip2:3 is in use by another program"}));
    EXPECT_FALSE(host->shown());
}

TEST_F(ProgrammingSequence, NothingIsBurntWhenTheConversionWroteNothing) {
    for (auto outcome : {ConversionOutcome::NoValues, ConversionOutcome::Failed}) {
        bus->log.clear();
        host->outcome = outcome;
        EXPECT_EQ(EepromProgrammer(*host).run(), ProgramResult::NotConverted);
        EXPECT_EQ(bus->log, Lines{"wait 1.00"});
        EXPECT_FALSE(host->shown());
    }
}

// The page's own conversion: the wait first, so that a click inside it still counts, then the
// five writes, and nothing at all when the page gave no bytes.
TEST_F(ProgrammingSequence, ConversionWaitsThenWritesTheHostsBytesOnly) {
    const std::array<std::pair<ConversionOutcome, Lines>, 3> cases{{
        {ConversionOutcome::Written,
         {"wait 1.00", "W 06=2C", "W 07=5A", "W 08=97", "W 09=13", "W 0A=C4"}},
        {ConversionOutcome::NoValues, {"wait 1.00"}},
        {ConversionOutcome::Failed, {"wait 1.00"}},
    }};
    for (const auto& [outcome, expected] : cases) {
        bus->log.clear();
        host->outcome = outcome;
        host->page[0] = 0x2B;
        host->onWait = [&] { host->page[0] = 0x2C; };  // a choice made during the wait
        EepromImage image{};
        EXPECT_EQ(convertAndLoad(*host, image), outcome);
        EXPECT_EQ(bus->log, expected);
        EXPECT_FALSE(bus->voltageOn);
    }
}

TEST_F(ProgrammingSequence, EmergencyStopDuringThePulseLeavesTheChipSafe) {
    EepromProgrammer programmer(*host);
    int waits = 0;
    host->onWait = [&] {
        if (++waits == 4) programmer.emergencyStop();  // inside the 1.0 s pulse
    };
    EXPECT_EQ(programmer.run(), ProgramResult::Stopped);
    Lines after = afterConversion();
    // The stop lets the pulse run its full time (the rest of it, nested), then disarms.
    ASSERT_EQ(after.size(), 10U);
    EXPECT_EQ(after[7].substr(0, 5), "wait ");
    after.erase(after.begin() + 7);
    EXPECT_EQ(after, (Lines{"W 0B=71", "wait 0.07", "W 0B=41", "wait 0.07", "R 00", "V on",
                            "wait 1.00", "W 0B=00", "V off"}));
    EXPECT_FALSE(bus->voltageOn);
    EXPECT_FALSE(host->shown());
    EXPECT_FALSE(programmer.running());
}

TEST_F(ProgrammingSequence, EmergencyStopWhileArmedSendsNothingAfterwards) {
    EepromProgrammer programmer(*host);
    int waits = 0;
    host->onWait = [&] {
        if (++waits == 2) programmer.emergencyStop();  // after the first arm write
    };
    EXPECT_EQ(programmer.run(), ProgramResult::Stopped);
    EXPECT_EQ(afterConversion(), (Lines{"W 0B=71", "wait 0.07", "W 0B=00"}));
    bus->log.clear();
    programmer.emergencyStop();  // idle: nothing to do
    EXPECT_TRUE(bus->log.empty());
}
