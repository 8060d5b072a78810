// eeprom verify through the real executable on the simulator: equal after programming,
// each difference decoded, only reads on the bus, and the usage refusals.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli_run.h"

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using Json = nlohmann::ordered_json;

namespace {

constexpr const char* kPack =
    "[Device]\nName=Varenthal\n[Registers]\nRegister06=A5\nRegister07=C3\n"
    "Register08=A3\nRegister09=10\nRegister0A=FF\n";

class CliVerify : public ::testing::Test {
protected:
    void SetUp() override { writeFile(pack, kPack); }
    CliRun run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--adapter", "sim", "--sim-state", state, "--trace", trace});
        return runCli(args);
    }
    TempDir dir;
    const std::string pack = dir.file("pack.ee");
    const std::string state = dir.file("board.sim");
    const std::string trace = dir.file("bus.log");
};

TEST_F(CliVerify, DiffersOnAFreshChipAndIsEqualAfterProgramming) {
    CliRun before = run({"--json", "eeprom", "verify", pack});
    EXPECT_EQ(before.exitCode, 1) << before.err;
    const Json diff = Json::parse(before.out);
    EXPECT_EQ(diff["result"], "different");
    EXPECT_EQ(diff["pfalt"], false);
    ASSERT_EQ(diff["differences"].size(), 5U);
    const Json& first = diff["differences"][0];
    EXPECT_EQ(first["register"], 6);
    EXPECT_EQ(first["register_hex"], "0x06");
    EXPECT_EQ(first["file"], 0xA5);
    EXPECT_EQ(first["file_hex"], "0xA5");
    EXPECT_EQ(first["fields"][0]["name"], "ov_threshold");
    EXPECT_EQ(first["fields"][0]["file"], "4.40 V");
    // Verifying reads; nothing is written.
    for (const std::string& event : traceEvents(trace)) {
        EXPECT_THAT(event, ::testing::Not(StartsWith("write"))) << event;
    }

    ASSERT_EQ(run({"--yes", "eeprom", "program", pack}).exitCode, 0);
    CliRun after = run({"eeprom", "verify", pack});
    EXPECT_EQ(after.exitCode, 0) << after.err;
    EXPECT_THAT(after.out, HasSubstr("equal to " + pack + ", PFALT clear"));
}

TEST_F(CliVerify, TextNamesTheRegisterAndTheDecodedFields) {
    CliRun result = run({"eeprom", "verify", pack});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.out, HasSubstr("0x06  file 0xA5  chip 0x"));
    EXPECT_THAT(result.out, HasSubstr("file 4.40 V, chip "));
}

TEST_F(CliVerify, UsageErrorsExitTwoBeforeTheBus) {
    writeFile(dir.file("part.ee"), "[Device]\nName=Varenthal\n[Registers]\nRegister06=A5\n");
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"eeprom", "verify"},
                                               {"eeprom", "verify", dir.file("none.ee")},
                                               {"eeprom", "verify", dir.file("part.ee")}}) {
        std::filesystem::remove(trace);
        EXPECT_EQ(run(args).exitCode, 2) << args.back();
        EXPECT_THAT(traceEvents(trace), ::testing::Not(Contains(StartsWith("read"))));
    }
}

}  // namespace
