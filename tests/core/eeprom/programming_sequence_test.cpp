#include "core/eeprom/programming_sequence.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "tests/support/recording_adapter.h"

using namespace eeprom;

namespace {

// Records what the sequence asks of its front end into the bus log, so that waits,
// messages and bus traffic can be checked in one order.
class FakeHost final : public ProgrammingHost {
public:
    explicit FakeHost(std::shared_ptr<FakeChip> bus) : bus_(std::move(bus)) {}

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
    std::shared_ptr<FakeChip> bus_;
    bool shown_ = false;
};

class ProgrammingSequence : public ::testing::Test {
protected:
    void SetUp() override {
        bus->registers[0x00] = 0x20;  // VGOOD
        host = std::make_unique<FakeHost>(bus);
    }

    // Every line after the conversion's writes, waits and messages included.
    std::vector<std::string> afterConversion() const {
        const auto& log = bus->log;
        auto it = std::find(log.begin(), log.end(), "write 0A C4 rc=0");
        return {it == log.end() ? log.begin() : it + 1, log.end()};
    }

    FakeBus fake;
    std::shared_ptr<FakeChip> bus = fake.chip;
    std::unique_ptr<FakeHost> host;
};

using Lines = std::vector<std::string>;
const std::string kMsgFail = "msg EEPROM did not program correctly.";

}  // namespace

TEST_F(ProgrammingSequence, SuccessSendsTheArmingPulseAndReadBackInOrder) {
    EepromProgrammer programmer(*host, fake.comm());
    EXPECT_EQ(programmer.run(), ProgramResult::Success);
    EXPECT_EQ(
        bus->lines("write "),
        (Lines{"write 06 2B rc=0", "write 07 5A rc=0", "write 08 97 rc=0", "write 09 13 rc=0",
               "write 0A C4 rc=0", "write 0B 71 rc=0", "write 0B 41 rc=0", "write 0B 00 rc=0"}));
    EXPECT_EQ(afterConversion(),
              (Lines{"write 0B 71 rc=0", "wait 0.07", "write 0B 41 rc=0", "wait 0.07",
                     "read 00 20 rc=0", "pulse 1 0 0 rc=0", "wait 1.00", "write 0B 00 rc=0",
                     "pulse 0 0 0 rc=0", "read 06 2B rc=0", "read 07 5A rc=0", "read 08 97 rc=0",
                     "read 09 13 rc=0", "read 0A C4 rc=0", "read 01 00 rc=0"}));
    EXPECT_EQ(host->progress, (std::vector<int>{30, 50, 60, 70, 80, 100}));
    EXPECT_FALSE(host->shown());
    EXPECT_EQ(host->lamp, true);
    EXPECT_FALSE(bus->voltageOn);
    EXPECT_FALSE(programmer.running());
}

TEST_F(ProgrammingSequence, VgoodMissingCancelsWithoutPulse) {
    bus->readOverride[0x00] = 0xDF;  // everything but VGOOD
    EXPECT_EQ(EepromProgrammer(*host, fake.comm()).run(), ProgramResult::VgoodMissing);
    EXPECT_EQ(
        afterConversion(),
        (Lines{"write 0B 71 rc=0", "wait 0.07", "write 0B 41 rc=0", "wait 0.07", "read 00 DF rc=0",
               "write 0B 00 rc=0", "msg VGOOD did not get set. EEPROM programming canceled."}));
    EXPECT_TRUE(bus->lines("pulse ").empty());
    EXPECT_EQ(host->lamp, false);
    EXPECT_EQ(host->titles, (Lines{"Varenthal"}));
    EXPECT_EQ(host->progress.back(), 100);
    EXPECT_FALSE(host->shown());
}

TEST_F(ProgrammingSequence, UnansweredStatusReadDisarmsWithoutPulseAndSaysSo) {
    bus->failReads[0x00] = FakeChip::kAlways;
    EXPECT_EQ(EepromProgrammer(*host, fake.comm()).run(), ProgramResult::NoAnswer);
    EXPECT_EQ(afterConversion(), (Lines{"write 0B 71 rc=0", "wait 0.07", "write 0B 41 rc=0",
                                        "wait 0.07", "read 00 00 rc=-1", "write 0B 00 rc=0",
                                        "msg " + std::string(kNoAnswerCanceled)}));
    EXPECT_FALSE(host->lamp.has_value());  // unknown: the lamp keeps what it showed
}

TEST_F(ProgrammingSequence, ReadBackDifferenceStopsAtTheFirstOne) {
    bus->readOverride[0x08] = 0x00;
    EXPECT_EQ(EepromProgrammer(*host, fake.comm()).run(), ProgramResult::ReadBackDiffers);
    const Lines after = afterConversion();
    EXPECT_EQ(Lines(after.end() - 4, after.end()),
              (Lines{"read 06 2B rc=0", "read 07 5A rc=0", "read 08 00 rc=0", kMsgFail}));
    EXPECT_EQ(bus->registers[0x0B], 0x00);
    EXPECT_EQ(host->progress, (std::vector<int>{30, 50, 60, 70, 80, 100}));
    EXPECT_FALSE(host->shown());
    EXPECT_FALSE(host->monitorEnabled);
}

// An unanswered read proves nothing: it is tried again, and one that keeps failing is "not
// verified", never a difference or PFALT, even when the stale byte happens to match.
TEST_F(ProgrammingSequence, UnansweredVerifyingReadsAreRetriedThenNotVerified) {
    struct Case {
        int address;
        int failures;
        ProgramResult result;
    };
    const Case cases[] = {
        {0x07, 1, ProgramResult::Success},
        {0x01, kReadAttempts - 1, ProgramResult::Success},
        {0x07, FakeChip::kAlways, ProgramResult::NotVerified},
        {0x01, FakeChip::kAlways, ProgramResult::NotVerified},
    };
    host->page = {0, 0, 0, 0, 0};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        bus->log.clear();
        bus->failReads = {{c.address, c.failures}};
        EepromProgrammer programmer(*host, fake.comm());
        EXPECT_EQ(programmer.run(), c.result);
        const auto reads = bus->reads();
        const auto tries = std::count(reads.begin(), reads.end(), c.address);
        EXPECT_EQ(tries, c.failures == FakeChip::kAlways ? kReadAttempts : c.failures + 1);
        if (c.result == ProgramResult::NotVerified) {
            EXPECT_EQ(bus->log.back(), "msg " + std::string(kNotVerified));
            EXPECT_EQ(programmer.report().stage, Stage::Verifying);
            EXPECT_NE(programmer.report().reason.find("the chip did not answer"),
                      std::string::npos);
            EXPECT_EQ(programmer.report().check, Check::None);
        } else {
            EXPECT_EQ(programmer.report().check, Check::Registers);
        }
    }
}

TEST_F(ProgrammingSequence, PfaltGivesOneMessageAndTurnsTheMonitorOn) {
    bus->readOverride[0x01] = 0x40;
    EXPECT_EQ(EepromProgrammer(*host, fake.comm()).run(), ProgramResult::Pfalt);
    const Lines after = afterConversion();
    EXPECT_EQ(Lines(after.end() - 2, after.end()), (Lines{"read 01 40 rc=0", kMsgFail}));
    EXPECT_EQ(std::count(bus->log.begin(), bus->log.end(), kMsgFail), 1);
    EXPECT_TRUE(host->monitorEnabled);
    EXPECT_EQ(host->progress.back(), 100);
    EXPECT_FALSE(host->shown());
    EXPECT_EQ(bus->registers[0x0B], 0x00);
}

TEST_F(ProgrammingSequence, VoltageRefusedDisarmsAndReportsFailure) {
    bus->voltageOnResult = 5;
    EXPECT_EQ(EepromProgrammer(*host, fake.comm()).run(), ProgramResult::VoltageNotApplied);
    EXPECT_EQ(afterConversion(),
              (Lines{"write 0B 71 rc=0", "wait 0.07", "write 0B 41 rc=0", "wait 0.07",
                     "read 00 20 rc=0", "pulse 1 0 0 rc=5", "write 0B 00 rc=0", "pulse 0 0 0 rc=0",
                     kMsgFail + "\n" + std::string(kVoltageNotOn)}));
    EXPECT_FALSE(host->shown());
}

TEST_F(ProgrammingSequence, AnErrorThrownWhileArmedStillEndsSafely) {
    EepromProgrammer programmer(*host, fake.comm());
    int waits = 0;
    host->onWait = [&] {
        if (++waits == 4) throw std::runtime_error("front end failed");  // inside the pulse
    };
    EXPECT_EQ(programmer.run(), ProgramResult::Error);
    const Lines after = afterConversion();
    EXPECT_EQ(Lines(after.end() - 3, after.end()),
              (Lines{"write 0B 00 rc=0", "pulse 0 0 0 rc=0",
                     "msg " + std::string(kProgrammingError) + " front end failed"}));
    EXPECT_FALSE(programmer.running());
    EXPECT_FALSE(host->shown());
}

TEST_F(ProgrammingSequence, NoArmWithoutTheProgrammingVoltageLine) {
    bus->holdResult = -16;
    EXPECT_EQ(EepromProgrammer(*host, fake.comm()).run(), ProgramResult::NoPulseLine);
    EXPECT_EQ(bus->log,
              (Lines{"wait 1.00", "msg " + std::string(kNoPulseLineCanceled) +
                                      "\nGPIO gpiochip2:3 is in use by another program"}));
    EXPECT_FALSE(host->shown());
}

TEST_F(ProgrammingSequence, NothingIsBurntWhenTheConversionWroteNothing) {
    for (auto outcome : {ConversionOutcome::NoValues, ConversionOutcome::Failed}) {
        bus->log.clear();
        host->outcome = outcome;
        EXPECT_EQ(EepromProgrammer(*host, fake.comm()).run(), ProgramResult::NotConverted);
        EXPECT_EQ(bus->log, Lines{"wait 1.00"});
        EXPECT_FALSE(host->shown());
    }
}

// The page's own conversion: the wait first, so that a click inside it still counts, then the
// five writes, and nothing at all when the page gave no bytes.
TEST_F(ProgrammingSequence, ConversionWaitsThenWritesTheHostsBytesOnly) {
    const std::array<std::pair<ConversionOutcome, Lines>, 3> cases{{
        {ConversionOutcome::Written,
         {"wait 1.00", "write 06 2C rc=0", "write 07 5A rc=0", "write 08 97 rc=0",
          "write 09 13 rc=0", "write 0A C4 rc=0"}},
        {ConversionOutcome::NoValues, {"wait 1.00"}},
        {ConversionOutcome::Failed, {"wait 1.00"}},
    }};
    for (const auto& [outcome, expected] : cases) {
        bus->log.clear();
        host->outcome = outcome;
        host->page[0] = 0x2B;
        host->onWait = [&] { host->page[0] = 0x2C; };  // a choice made during the wait
        EepromImage image{};
        EXPECT_EQ(convertAndLoad(*host, fake.comm(), image), outcome);
        EXPECT_EQ(bus->log, expected);
        EXPECT_FALSE(bus->voltageOn);
    }
}

TEST_F(ProgrammingSequence, EmergencyStopDuringThePulseLeavesTheChipSafe) {
    EepromProgrammer programmer(*host, fake.comm());
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
    EXPECT_EQ(after, (Lines{"write 0B 71 rc=0", "wait 0.07", "write 0B 41 rc=0", "wait 0.07",
                            "read 00 20 rc=0", "pulse 1 0 0 rc=0", "wait 1.00", "write 0B 00 rc=0",
                            "pulse 0 0 0 rc=0"}));
    EXPECT_FALSE(bus->voltageOn);
    EXPECT_FALSE(host->shown());
    EXPECT_FALSE(programmer.running());
}

TEST_F(ProgrammingSequence, EmergencyStopWhileArmedSendsNothingAfterwards) {
    EepromProgrammer programmer(*host, fake.comm());
    int waits = 0;
    host->onWait = [&] {
        if (++waits == 2) programmer.emergencyStop();  // after the first arm write
    };
    EXPECT_EQ(programmer.run(), ProgramResult::Stopped);
    EXPECT_EQ(afterConversion(), (Lines{"write 0B 71 rc=0", "wait 0.07", "write 0B 00 rc=0"}));
    bus->log.clear();
    programmer.emergencyStop();  // idle: nothing to do
    EXPECT_TRUE(bus->log.empty());
}

// An adapter that throws, before its transfer or after it reached the chip, at each transfer
// of a good run, and one that throws at every attempt of a safe-end step: the chip is left
// disarmed with the voltage off, or the user is told loudly that it is not; the programmer
// always ends idle with its bar hidden, and the next run works.
TEST_F(ProgrammingSequence, AThrowingAdapterAlwaysEndsSafelyAndTheNextRunWorks) {
    struct Case {
        std::string what;
        std::function<void()> before, after;
        bool safeEndFails;
    };
    auto throwAt = [this](int n) {
        return [count = 0, n]() mutable {
            if (++count == n) throw std::runtime_error("adapter failed");
        };
    };
    auto throwAfterEvery = [this](const std::string& prefix) {
        return [this, prefix] {
            if (bus->log.back().rfind(prefix, 0) == 0) throw std::runtime_error("adapter failed");
        };
    };
    std::vector<Case> cases;
    constexpr int kTransfersOfAGoodRun = 17;  // 5 loads, 2 arms, STATUS, on, 0x00, off, 6 reads
    for (int n = 1; n <= kTransfersOfAGoodRun; ++n) {
        cases.push_back({"before transfer " + std::to_string(n), throwAt(n), {}, false});
        cases.push_back({"after transfer " + std::to_string(n), {}, throwAt(n), false});
    }
    cases.push_back({"every disarming write", {}, throwAfterEvery("write 0B 00"), true});
    cases.push_back({"every voltage off", {}, throwAfterEvery("pulse 0"), true});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bus->log.clear();
        bus->beforeTransfer = c.before;
        bus->afterTransfer = c.after;
        EepromProgrammer programmer(*host, fake.comm());
        const ProgramResult result = programmer.run();
        bus->beforeTransfer = {};
        bus->afterTransfer = {};
        EXPECT_FALSE(programmer.running());
        EXPECT_FALSE(host->shown());
        if (c.safeEndFails) {
            EXPECT_EQ(result, ProgramResult::SafeEndFailed);
            EXPECT_NE(bus->log.back().find("Remove the board's power now."), std::string::npos);
        } else {
            // A throw inside the safe end's own step is retried there, so such a run may
            // still succeed; any other ends as an error, after the safe end.
            EXPECT_TRUE(result == ProgramResult::Success || result == ProgramResult::Error);
            if (result == ProgramResult::Error) {
                EXPECT_EQ(bus->log.back(),
                          "msg " + std::string(kProgrammingError) + " adapter failed");
            }
            EXPECT_EQ(bus->registers[0x0B], 0x00);
            EXPECT_FALSE(bus->voltageOn);
            EXPECT_FALSE(fake.comm().ProgramRegisterArmed());
            EXPECT_FALSE(fake.comm().ProgrammingVoltageMayBeOn());
        }
        bus->log.clear();
        EXPECT_EQ(programmer.run(), ProgramResult::Success) << "the next run works";
        EXPECT_EQ(bus->lines("write ").size(), 8U);
    }
}

// The window closed during the pulse and the voltage cannot be switched off: the verdict is
// the failed safe end, not a plain stop.
TEST_F(ProgrammingSequence, EmergencyStopWithTheVoltageStuckOnNamesTheFailedSafeEnd) {
    EepromProgrammer programmer(*host, fake.comm());
    int waits = 0;
    host->onWait = [&] {
        if (++waits != 4) return;
        bus->pulseResult = -1;  // from now on the voltage cannot be switched
        EXPECT_FALSE(programmer.emergencyStop().voltageOff);
    };
    EXPECT_EQ(programmer.run(), ProgramResult::SafeEndFailed);
    EXPECT_EQ(programmer.report().stage, Stage::Disarming);
    EXPECT_NE(programmer.report().reason.find("remove the board's power now"), std::string::npos);
    EXPECT_EQ(std::count(bus->log.begin(), bus->log.end(), "msg " + std::string(kVoltageStuckOn)),
              1);
    EXPECT_FALSE(programmer.running());
}
