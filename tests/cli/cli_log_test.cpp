// The production log through the real executable: every field of a record, records of two
// processes appending at once, and the records of a refused and an interrupted run.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <nlohmann/json.hpp>
#include <regex>
#include <thread>

#include "cli_run.h"
#include "tests/support/test_host.h"
#include "core/base/sha256.h"

using ::testing::HasSubstr;
using Json = nlohmann::ordered_json;

namespace {

constexpr const char* kPack =
    "[Device]\nName=Varenthal\n[Registers]\nRegister06=A5\nRegister07=C3\n"
    "Register08=A3\nRegister09=10\nRegister0A=FF\n";

class CliLog : public ::testing::Test {
protected:
    void SetUp() override { writeFile(pack, kPack); }
    TempDir dir;
    const std::string pack = dir.file("pack.ee");
    const std::string log = dir.file("run.jsonl");
};

TEST_F(CliLog, TwoProcessesAppendWholeRecordsWithEveryField) {
    CliProcess good({"--adapter", "sim", "--log", log, "--yes", "eeprom", "program", pack});
    CliProcess bad({"--adapter", "sim", "--sim-fault", "program-fails", "--log", log, "--yes",
                    "eeprom", "program", pack});
    EXPECT_EQ(good.wait().exitCode, 0);
    EXPECT_EQ(bad.wait().exitCode, 1);
    const std::vector<Json> lines = jsonLines<Json>(readFile(log));
    ASSERT_EQ(lines.size(), 2U);
    for (const Json& r : lines) {
        EXPECT_EQ(r["schema_version"], 1);
        // std::regex: GoogleTest's own on Windows knows no brackets.
        EXPECT_TRUE(
            std::regex_match(r["time"].get<std::string>(), std::regex("[0-9-]+T[0-9:]+\\.[0-9]+Z")))
            << r["time"];
        EXPECT_EQ(r["tool_version"], VARENTHAL_VERSION);
        EXPECT_FALSE(r["host"].get<std::string>().empty());
        EXPECT_EQ(r["adapter"]["bus"], "sim");
        EXPECT_EQ(r["command"], "eeprom program");
        EXPECT_EQ(r["file"]["name"], pack);
        EXPECT_EQ(r["file"]["sha256"], sha256Hex(kPack));
        EXPECT_EQ(r["before_hex"].size(), 5U);  // the fresh chip's bytes
        EXPECT_EQ(r["written"], Json({0xA5, 0xC3, 0xA3, 0x10, 0xFF}));
        EXPECT_EQ(r["written_hex"][0], "0xA5");
        EXPECT_GT(r["duration_ms"].get<int>(), 1000);
    }
    const Json& ok = lines[0]["result"] == "ok" ? lines[0] : lines[1];
    const Json& failed = lines[0]["result"] == "ok" ? lines[1] : lines[0];
    EXPECT_EQ(ok["read_back"], ok["written"]);
    EXPECT_EQ(ok["pfalt"], false);
    EXPECT_EQ(ok["stage"], "done");
    EXPECT_EQ(ok["reason"], "");
    EXPECT_EQ(failed["result"], "failed");
    EXPECT_EQ(failed["pfalt"], true);
    EXPECT_EQ(failed["stage"], "verifying");
    EXPECT_EQ(failed["reason"], "PFALT is set after programming");
}

TEST_F(CliLog, RefusedAndInterruptedRunsAreRecordedToo) {
    if (const std::string why = test_host::lacks(test_host::Need::Signals); !why.empty())
        GTEST_SKIP() << why;
    EXPECT_EQ(runCli({"--adapter", "sim", "--log", log, "eeprom", "verify", dir.file("none.ee")})
                  .exitCode,
              2);
    CliProcess cli({"--adapter", "sim", "--log", log, "--yes", "eeprom", "program", pack});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // inside the 1 s load wait
    cli.terminate();
    EXPECT_EQ(cli.wait().exitCode, 130);
    const std::vector<Json> lines = jsonLines<Json>(readFile(log));
    ASSERT_EQ(lines.size(), 2U);
    EXPECT_EQ(lines[0]["result"], "refused");
    EXPECT_THAT(lines[0]["reason"].get<std::string>(), HasSubstr("none.ee"));
    EXPECT_EQ(lines[1]["result"], "interrupted");
    EXPECT_EQ(lines[1]["stage"], "loading");
    EXPECT_THAT(lines[1]["reason"].get<std::string>(), HasSubstr("interrupted by SIGTERM"));
}

}  // namespace
