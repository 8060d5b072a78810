// list, read, write, dump and status through the real executable on the simulator: output
// in both forms, the confirmation rule and the exit codes of a failing bus.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli_run.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using Json = nlohmann::ordered_json;

namespace {

std::vector<std::string> keys(const Json& object) {
    std::vector<std::string> names;
    for (const auto& item : object.items()) names.push_back(item.key());
    return names;
}

TEST(CliRegisters, ListShowsTheSimulatorAndNoOpen) {
    const TempDir dir;
    const CliRun text = runCli({"--adapter", "sim", "--trace", dir.file("t"), "list"});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_EQ(text.out, "sim\n");
    EXPECT_THAT(traceEvents(dir.file("t")), ElementsAre("list 1 sim rc=0"));
    EXPECT_EQ(runCli({"--adapter", "sim", "--json", "list"}).out, "{\"adapters\":[\"sim\"]}\n");
}

TEST(CliRegisters, StatusJsonHasTheFixedNamesInOrder) {
    const CliRun run = runCli({"--adapter", "sim", "--json", "status"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Json status = Json::parse(run.out);
    EXPECT_THAT(keys(status),
                ElementsAre("value", "VGOOD", "OVTEMP", "UV", "OV", "OCD", "SCD", "DSG", "CHG"));
    EXPECT_EQ(status["value"], "20");
    EXPECT_EQ(status["VGOOD"], true);
    EXPECT_EQ(status["SCD"], false);
    EXPECT_EQ(runCli({"--adapter", "sim", "status"}).out, "STATUS 20: VGOOD\n");
}

TEST(CliRegisters, DumpShowsElevenRegistersWithTheirBits) {
    const CliRun run = runCli({"--adapter", "sim", "--json", "dump"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Json dump = Json::parse(run.out);
    ASSERT_EQ(dump["registers"].size(), 11U);
    const Json& first = dump["registers"][0];
    EXPECT_THAT(keys(first), ElementsAre("address", "name", "value", "bits"));
    EXPECT_EQ(first["address"], "0x00");
    EXPECT_EQ(first["name"], "STATUS");
    EXPECT_EQ(first["value"], "20");
    EXPECT_EQ(first["bits"], Json::array({"VGOOD"}));
    EXPECT_EQ(dump["registers"][8]["name"], "OCV_UV DELAY");
    EXPECT_EQ(dump["registers"][10]["address"], "0x0A");

    const CliRun text = runCli({"--adapter", "sim", "dump"});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_THAT(text.out, HasSubstr("0x00  STATUS       20  CHG=0 DSG=0 VGOOD=1 OVTEMP=0 UV=0 "
                                    "OV=0 OCD=0 SCD=0\n"));
    EXPECT_THAT(text.out, HasSubstr("0x0A  SCD_CFG      00  SCDD3=0"));
    EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n'), 11);
}

TEST(CliRegisters, WritesOutsideTheControlRegistersNeedYesWithoutATerminal) {
    const TempDir dir;
    const std::string trace = dir.file("t");
    std::vector<std::string> writes;  // the write lines of the last run's trace
    auto run = [&](std::vector<std::string> args) {
        std::filesystem::remove(trace);
        args.insert(args.begin(), {"--adapter", "sim", "--trace", trace});
        const CliRun result = runCli(args);
        writes.clear();
        for (const std::string& e : traceEvents(trace)) {
            if (e.rfind("write", 0) == 0) writes.push_back(e);
        }
        return result;
    };

    CliRun result = run({"write", "06", "5A"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_THAT(result.err, HasSubstr("--yes"));
    EXPECT_THAT(writes, IsEmpty());

    result = run({"--yes", "--json", "write", "06", "5a"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "{\"address\":\"0x06\",\"value\":\"5A\"}\n");
    EXPECT_THAT(writes, ElementsAre("write 06 5A rc=0"));

    result = run({"write", "0x01", "84"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_THAT(result.out, IsEmpty());
    EXPECT_THAT(writes, ElementsAre("write 01 84 rc=0"));

    // Arming the programming register by hand is refused, --yes or not; clearing it is not.
    result = run({"--yes", "write", "0B", "71"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_THAT(result.err, HasSubstr("eeprom program"));
    EXPECT_THAT(writes, IsEmpty());
    EXPECT_EQ(run({"--yes", "write", "0B", "0"}).exitCode, 0);
    EXPECT_THAT(writes, ElementsAre("write 0B 00 rc=0"));
}

TEST(CliRegisters, OnATerminalTheUserIsAsked) {
    const TempDir dir;
    const std::string trace = dir.file("t");
    CliRun run =
        runCliOnTerminal({"--adapter", "sim", "--trace", trace, "write", "07", "3C"}, "n\n");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_THAT(run.err, HasSubstr("Write 3C to register 0x07? [y/N]"));
    EXPECT_THAT(readFile(trace), IsEmpty());

    run = runCliOnTerminal({"--adapter", "sim", "--trace", trace, "write", "07", "3C"}, "y\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(traceEvents(trace), testing::Contains("write 07 3C rc=0"));
}

TEST(CliRegisters, NoAdapterIsAChipFailure) {
    // A bus path that exists on no machine: nothing opens.
    for (const char* command : {"dump", "status", "read"}) {
        std::vector<std::string> args{"--adapter", "/dev/i2c-250", command};
        if (std::string(command) == "read") args.push_back("0A");
        const CliRun run = runCli(args);
        EXPECT_EQ(run.exitCode, 1) << command;
        EXPECT_THAT(run.out, IsEmpty());
        EXPECT_THAT(run.err,
                    HasSubstr("USB Error. Insure USB cable is connected and Driver is working"));
    }
}

}  // namespace
