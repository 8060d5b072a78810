// `watch` through the real executable on the simulator, with scenarios scaled down to
// tenths of a second so that the whole file runs in a few seconds.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli_run.h"
#include "tests/support/test_host.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

constexpr const char* kHeader =
    "time,seconds,status,SCD,OCD,OV,UV,OVTEMP,VGOOD,DSG,CHG,OUTPUT_CNTRL,comm";

std::vector<std::vector<std::string>> csvLines(const std::string& text) {
    std::vector<std::vector<std::string>> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> fields;
        std::istringstream row(line);
        for (std::string field; std::getline(row, field, ',');) fields.push_back(field);
        if (!line.empty() && line.back() == ',') fields.emplace_back();
        lines.push_back(fields);
    }
    return lines;
}

std::vector<std::string> column(const std::vector<std::vector<std::string>>& lines, int index) {
    std::vector<std::string> values;
    for (std::size_t i = 1; i < lines.size(); ++i) values.push_back(lines[i].at(index));
    return values;
}

TEST(CliWatch, CsvRowsFollowAScenarioWithOneStatusAndRegisterReadEach) {
    const TempDir dir;
    writeFile(dir.file("ov.txt"), "200 ov on\n500 ov off\n500 ltclr on\n500 ltclr off\n");
    const CliRun run = runCli({"--adapter", "sim", "--sim-scenario", dir.file("ov.txt"), "--trace",
                               dir.file("trace"), "watch", "--count", "8", "--interval", "100",
                               "--registers", "01", "--csv"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.err, IsEmpty());
    const auto lines = csvLines(run.out);
    ASSERT_EQ(lines.size(), 9U);
    std::ostringstream header;
    for (std::size_t i = 0; i < lines[0].size(); ++i) header << (i ? "," : "") << lines[0][i];
    EXPECT_EQ(header.str(), kHeader);
    EXPECT_THAT(column(lines, 5), ElementsAre("0", "0", "1", "1", "1", "0", "0", "0"));
    EXPECT_THAT(column(lines, 1), ElementsAre(HasSubstr("0.0"), HasSubstr("0.1"), HasSubstr("0.2"),
                                              HasSubstr("0.3"), HasSubstr("0.4"), HasSubstr("0.5"),
                                              HasSubstr("0.6"), HasSubstr("0.7")));
    EXPECT_THAT(column(lines, 12), ::testing::Each("ok"));
    EXPECT_THAT(column(lines, 11), ::testing::Each("0x00")) << "LTCLR is back to 0 at once";

    std::vector<std::string> reads;
    for (const std::string& event : traceEvents(dir.file("trace"))) {
        if (event.rfind("read ", 0) == 0) reads.push_back(event.substr(0, 7));
    }
    ASSERT_EQ(reads.size(), 16U);
    for (std::size_t i = 0; i < reads.size(); i += 2) {
        EXPECT_EQ(reads[i], "read 00");
        EXPECT_EQ(reads[i + 1], "read 01");
    }
}

TEST(CliWatch, JsonLinesCarryTheCsvColumnsAsKeys) {
    const CliRun run = runCli({"--adapter", "sim", "--json", "watch", "--count", "2", "--interval",
                               "50", "--registers", "0x01"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::istringstream in(run.out);
    int rows = 0;
    for (std::string line; std::getline(in, line); ++rows) {
        const nlohmann::ordered_json row = nlohmann::ordered_json::parse(line);
        std::string keys;
        for (const auto& item : row.items()) keys += (keys.empty() ? "" : ",") + item.key();
        EXPECT_EQ(keys, kHeader);
        EXPECT_EQ(row["status"], "E0");
        EXPECT_EQ(row["VGOOD"], 1);
        EXPECT_EQ(row["OUTPUT_CNTRL"], "00");
    }
    EXPECT_EQ(rows, 2);
}

TEST(CliWatch, FailedReadsAreEmptyFieldsAndALongRunOfThemExitsOne) {
    const TempDir dir;
    // The chip stops answering for 0.2 s: two error rows, within a limit of two.
    writeFile(dir.file("gap.txt"), "150 nak=00 on\n350 nak=00 off\n");
    const CliRun gap = runCli({"--adapter", "sim", "--sim-scenario", dir.file("gap.txt"), "watch",
                               "--count", "5", "--interval", "100", "--max-failures", "2"});
    EXPECT_EQ(gap.exitCode, 0) << gap.err;
    const auto lines = csvLines(gap.out);
    ASSERT_EQ(lines.size(), 6U);
    EXPECT_THAT(column(lines, 2), ElementsAre("0xE0", "0xE0", "", "", "0xE0"));
    EXPECT_THAT(column(lines, 5), ElementsAre("0", "0", "", "", "0"));
    EXPECT_THAT(column(lines, 11), ElementsAre("ok", "ok", "error", "error", "ok"));

    const CliRun lost = runCli({"--adapter", "sim", "--sim-fault", "nak=00", "watch", "--interval",
                                "50", "--max-failures", "2"});
    EXPECT_EQ(lost.exitCode, 1);
    EXPECT_EQ(csvLines(lost.out).size(), 4U) << "header and three failed rows";
    EXPECT_THAT(lost.err, HasSubstr("I2C Comm Status: Error"));
}

TEST(CliWatch, CtrlCEndsTheWatchWithWholeRowsAndExitZero) {
    if (const std::string why = test_host::lacks(test_host::Need::Signals); !why.empty())
        GTEST_SKIP() << why;
    const CliRun run = runCliInterrupted({"--adapter", "sim", "watch", "--interval", "50"},
                                         std::chrono::milliseconds(400));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    ASSERT_FALSE(run.out.empty());
    EXPECT_EQ(run.out.back(), '\n');
    const auto lines = csvLines(run.out);
    EXPECT_GE(lines.size(), 3U);
    for (const auto& line : lines) EXPECT_EQ(line.size(), 12U);
}

TEST(CliWatch, BadUsageExitsTwoBeforeAnyRead) {
    const TempDir dir;
    writeFile(dir.file("bad.txt"), "100 ov maybe\n");
    const std::vector<std::vector<std::string>> cases{
        {"watch", "--interval", "49"},
        {"watch", "--count", "0"},
        {"watch", "--count", "3", "--duration", "1"},
        {"watch", "--registers", "01,0B"},
        {"watch", "--registers", "01,"},
        {"--json", "watch", "--csv"},
        {"--sim-scenario", dir.file("bad.txt"), "watch"},
        {"--sim-scenario", dir.file("missing.txt"), "watch"},
        {"--adapter", "i2c-dev", "--sim-scenario", dir.file("bad.txt"), "watch"},
    };
    for (std::vector<std::string> args : cases) {
        if (args[0] != "--adapter") args.insert(args.begin(), {"--adapter", "sim"});
        const CliRun run = runCli(args);
        EXPECT_EQ(run.exitCode, 2) << args.back() << run.err;
        EXPECT_THAT(run.out, IsEmpty()) << args.back();
    }
    const CliRun scenario =
        runCli({"--adapter", "sim", "--sim-scenario", dir.file("bad.txt"), "watch"});
    EXPECT_THAT(scenario.err, HasSubstr("line 1: expected on or off"));
}

}  // namespace
