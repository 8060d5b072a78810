// Several boards in one run through the real executable: each board keeps its own chip, its
// own verdict and its own log record, they run side by side, and a signal brings every one
// of them to its safe end.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <nlohmann/json.hpp>

#include "cli_run.h"
#include "tests/support/test_host.h"
#include "core/sim/sim_state_file.h"
#include "core/sim/simulated_chip.h"

using Json = nlohmann::json;

namespace {

constexpr const char* kPack =
    "[Device]\nName=Varenthal\n[Registers]\nRegister06=4C\nRegister07=1D\n"
    "Register08=28\nRegister09=87\nRegister0A=49\n";
const SimulatedChip::Eeprom kPackImage{0x4C, 0x1D, 0x28, 0x87, 0x49};

class CliBoards : public ::testing::Test {
protected:
    void SetUp() override { writeFile(pack, kPack); }
    // --adapter sim and --sim-state bN.sim for boards 1..4, then `rest`.
    std::vector<std::string> fourBoards(const std::vector<std::string>& rest) const {
        std::vector<std::string> args;
        for (int b = 1; b <= 4; ++b) {
            for (const std::string& a : {std::string("--adapter"), std::string("sim"),
                                         std::string("--sim-state"), state(b)})
                args.push_back(a);
        }
        args.insert(args.end(), rest.begin(), rest.end());
        return args;
    }
    std::string state(int board) const { return dir.file("b" + std::to_string(board) + ".sim"); }
    SimulatedChip::Eeprom eeprom(int board) const {
        return loadSimState(state(board)).eeprom.value_or(SimulatedChip::kDefaultEeprom);
    }
    TempDir dir;
    const std::string pack = dir.file("pack.ee");
    const std::string log = dir.file("run.jsonl");
};

TEST_F(CliBoards, FourBoardsProgramSideBySideAndAFaultFailsOnlyItsBoard) {
    using Clock = std::chrono::steady_clock;
    auto t0 = Clock::now();
    ASSERT_EQ(runCli({"--adapter", "sim", "--yes", "eeprom", "program", pack}).exitCode, 0);
    const auto one = Clock::now() - t0;

    t0 = Clock::now();
    const CliRun run = runCli(fourBoards({"--sim-fault", "3:vgood-low", "--log", log, "--json",
                                          "--yes", "eeprom", "program", pack}));
    const auto four = Clock::now() - t0;
    EXPECT_EQ(run.exitCode, 1) << run.err;
    // Side by side, not one after the other (a loose bound: CI machines are shared).
    EXPECT_LT(four, one * 1.5);

    const std::vector<Json> verdicts = jsonLines<Json>(run.out);
    const std::vector<Json> records = jsonLines<Json>(readFile(log));
    ASSERT_EQ(verdicts.size(), 4U);
    ASSERT_EQ(records.size(), 4U);
    for (int b = 1; b <= 4; ++b) {
        SCOPED_TRACE("board " + std::to_string(b));
        const Json& v = verdicts[b - 1];
        EXPECT_EQ(v["board"], b);
        EXPECT_EQ(v["adapter"], "sim");
        EXPECT_EQ(v["output"]["result"], b == 3 ? "failed" : "ok");
        EXPECT_EQ(eeprom(b), b == 3 ? SimulatedChip::kDefaultEeprom : kPackImage);
    }
    // Each board appends its record when it is done, in whatever order they finish.
    std::vector<std::string> results(4);
    for (const Json& r : records) results.at(r["board"].get<int>() - 1) = r["result"];
    EXPECT_EQ(results, (std::vector<std::string>{"ok", "ok", "failed", "ok"}));
    EXPECT_NE(verdicts[2]["output"]["reason"].get<std::string>().find("VGOOD"), std::string::npos);
    EXPECT_NE(run.err.find("varenthal-cli: board 3 (sim): VGOOD"), std::string::npos) << run.err;

    // Board 1 alone, later, holds what was burnt.
    EXPECT_EQ(
        runCli({"--adapter", "sim", "--sim-state", state(1), "eeprom", "verify", pack}).exitCode,
        0);
}

TEST_F(CliBoards, ASignalDuringThePulseEndsEveryBoardWithItsPulseComplete) {
    if (const std::string why = test_host::lacks(test_host::Need::Signals); !why.empty())
        GTEST_SKIP() << why;
    // The pulse of each board runs from about 1.1 s to 2.1 s after the start.
    const CliRun run =
        runCliInterrupted(fourBoards({"--log", log, "--json", "--yes", "eeprom", "program", pack}),
                          std::chrono::milliseconds(1600));
    EXPECT_EQ(run.exitCode, 130) << run.err;
    const std::vector<Json> verdicts = jsonLines<Json>(run.out);
    ASSERT_EQ(verdicts.size(), 4U);
    for (int b = 1; b <= 4; ++b) {
        SCOPED_TRACE("board " + std::to_string(b));
        EXPECT_EQ(verdicts[b - 1]["output"]["result"], "interrupted");
        EXPECT_EQ(verdicts[b - 1]["output"]["stage"], "pulsing");
        // The started pulse ran its full time: the whole file is burnt, never a part.
        EXPECT_EQ(eeprom(b), kPackImage);
    }
    const std::vector<Json> records = jsonLines<Json>(readFile(log));
    ASSERT_EQ(records.size(), 4U);
    for (const Json& r : records) EXPECT_EQ(r["result"], "interrupted");
}

TEST_F(CliBoards, WhatOneBoardAtATimeMeansIsRefusedClearly) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {fourBoards({"status"}), "several boards run eeprom program, verify, show and dump"},
        {fourBoards({"--trace", dir.file("t.log"), "dump"}), "--trace records one board"},
        {{"--adapter", "sim", "--adapter", "sim", "--sim-fault", "3:ov", "dump"},
         "names board 3 of 2"},
        {{"--adapter", "sim", "--adapter", "sim", "--sim-state", state(1), "dump"},
         "give it once per board"},
    };
    for (const auto& [args, text] : cases) {
        const CliRun run = runCli(args);
        EXPECT_EQ(run.exitCode, 2) << text;
        EXPECT_NE(run.err.find(text), std::string::npos) << run.err;
    }
}

// A fault name with a colon of its own is not a board number: it reaches the one board.
TEST_F(CliBoards, AFaultNameWithItsOwnColonStaysOneFault) {
    const std::string trace = dir.file("t.log");
    const CliRun run = runCli({"--adapter", "sim", "--sim-fault", "nak=0B:3", "--trace", trace,
                               "--yes", "eeprom", "program", pack});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> events = traceEvents(trace);
    // The third transfer to 0x0B (the disarm) is lost once, then retried.
    EXPECT_NE(std::find(events.begin(), events.end(), "write 0B 00 rc=-1"), events.end());
    EXPECT_NE(std::find(events.begin(), events.end(), "write 0B 00 rc=0"), events.end());
}

}  // namespace
