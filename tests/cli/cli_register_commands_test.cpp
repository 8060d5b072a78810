// list, read, write, dump and status through the real executable on the simulator: output
// in both forms, the confirmation rule and the exit codes of a failing bus.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli_run.h"
#include "tests/support/test_host.h"
#include "core/link/miscellaneous.h"
#include "core/sim/sim_state_file.h"

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
    EXPECT_EQ(text.out, "sim\tsimulator\t-\n");
    EXPECT_THAT(traceEvents(dir.file("t")), ElementsAre("list 1 sim rc=0"));
    EXPECT_EQ(runCli({"--adapter", "sim", "--json", "list"}).out,
              R"({"schema_version":1,"adapters":["sim"],"buses":[{"bus":"sim","name":"simulator",)"
              R"("usb_path":null,"serial":null,"kind":"sim"}]})"
              "\n");
}

// Without a bridge (on Windows, always) the list is empty and says why on standard error.
TEST(CliRegisters, AnEmptyListSaysSo) {
    const CliRun run = runCli({"list"});
    if (!run.out.empty()) GTEST_SKIP() << "a USB-to-I2C bridge is plugged in";
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.err, HasSubstr("varenthal-cli: "));  // the reason, in the back-end's words
    EXPECT_EQ(runCli({"--json", "list"}).out, R"({"schema_version":1,"adapters":[],"buses":[]})"
                                              "\n");
}

// Without a bridge `--adapter hid` lists none and opens none, and names what it looked for;
// where there are no i2c-dev nodes (Windows) the bridges are also what the default lists.
TEST(CliRegisters, WithoutABridgeHidSaysWhatItLookedFor) {
    if (!runCli({"--adapter", "hid", "list"}).out.empty()) GTEST_SKIP() << "a bridge is plugged in";
    std::vector<std::vector<std::string>> lists{{"--adapter", "hid", "list"}};
    if (!test_host::lacks(test_host::Need::DeviceNodes).empty()) lists.push_back({"list"});
    for (const auto& args : lists) {
        const CliRun run = runCli(args);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_THAT(run.err, HasSubstr("CP2112 (USB 10C4:EA90) or MCP2221 (USB 04D8:00DD)"));
    }
    for (const char* form : {"", "--json"}) {
        std::vector<std::string> args{"--adapter", "hid", "dump"};
        if (*form) args.insert(args.begin(), form);
        const CliRun run = runCli(args);
        EXPECT_EQ(run.exitCode, 1) << form;
        EXPECT_THAT(run.err, HasSubstr("CP2112 (USB 10C4:EA90) or MCP2221 (USB 04D8:00DD)"));
        EXPECT_THAT(run.err, HasSubstr("USB Error. Insure USB cable is connected"));
        if (*form) {
            EXPECT_EQ(Json::parse(run.out)["error"]["kind"], "no_adapter");
        }
    }
}

TEST(CliRegisters, StatusJsonHasTheFixedNamesInOrder) {
    auto status = [](std::vector<std::string> faults) {
        std::vector<std::string> args{"--adapter", "sim", "--json", "status"};
        for (const auto& f : faults) args.insert(args.begin(), {"--sim-fault", f});
        const CliRun run = runCli(args);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return Json::parse(run.out);
    };
    const Json good = status({});
    EXPECT_THAT(keys(good), ElementsAre("schema_version", "value", "value_hex", "vgood", "ovtemp",
                                        "uv", "ov", "ocd", "scd", "dsg", "chg"));
    // Each flag is its bit of the value.
    const int value = good["value"].get<int>();
    EXPECT_EQ(good["value_hex"], "0x" + Miscellaneous::ByteToHex(static_cast<unsigned>(value)));
    for (const auto& [name, mask] : std::vector<std::pair<std::string, int>>{{"scd", 0x01},
                                                                             {"ocd", 0x02},
                                                                             {"ov", 0x04},
                                                                             {"uv", 0x08},
                                                                             {"ovtemp", 0x10},
                                                                             {"vgood", 0x20},
                                                                             {"dsg", 0x40},
                                                                             {"chg", 0x80}}) {
        EXPECT_EQ(good[name], (value & mask) != 0) << name;
    }
    EXPECT_EQ(good["vgood"], true);
    EXPECT_EQ(good["scd"], false);
    EXPECT_EQ(status({"vgood-low"})["vgood"], false);
    const Json shorted = status({"scd", "ov"});
    EXPECT_EQ(shorted["scd"], true);
    EXPECT_EQ(shorted["ov"], true);

    const CliRun text = runCli({"--adapter", "sim", "--sim-fault", "scd", "status"});
    EXPECT_THAT(text.out, testing::StartsWith("STATUS "));
    EXPECT_THAT(text.out, HasSubstr(" VGOOD"));
    EXPECT_THAT(text.out, testing::EndsWith(" SCD\n"));
}

TEST(CliRegisters, DumpShowsElevenRegistersWithTheirBits) {
    const TempDir dir;
    const std::string state = dir.file("board.sim");
    ASSERT_TRUE(saveSimState(state, {0xA5, 0x00, 0x00, 0x00, 0x80}));
    const CliRun run = runCli({"--adapter", "sim", "--sim-state", state, "--json", "dump"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Json dump = Json::parse(run.out);
    ASSERT_EQ(dump["registers"].size(), 11U);
    const Json& status = dump["registers"][0];
    EXPECT_THAT(keys(status),
                ElementsAre("address", "address_hex", "value", "value_hex", "name", "bits"));
    EXPECT_EQ(status["address"], 0);
    EXPECT_EQ(status["name"], "STATUS");
    // The set bits, B7 first, agree with the status command's flags.
    const Json flags = Json::parse(runCli({"--adapter", "sim", "--json", "status"}).out);
    EXPECT_EQ(status["value"], flags["value"]);
    std::vector<std::string> setFlags;
    for (const char* name : {"CHG", "DSG", "VGOOD", "OVTEMP", "UV", "OV", "OCD", "SCD"}) {
        std::string key(name);
        for (char& c : key) c = static_cast<char>(std::tolower(c));
        if (flags[key] == true) setFlags.push_back(name);
    }
    EXPECT_EQ(status["bits"], Json(setFlags));
    const Json& ovCfg = dump["registers"][6];
    EXPECT_EQ(ovCfg, Json::parse(R"({"address":6,"address_hex":"0x06","value":165,)"
                                 R"("value_hex":"0xA5","name":"OV_CFG",)"
                                 R"("bits":["OVD2","OVD0","OV2","OV0"]})"));
    EXPECT_EQ(dump["registers"][7]["bits"], Json::array());
    EXPECT_EQ(dump["registers"][8]["name"], "OCV_UV DELAY");
    EXPECT_EQ(dump["registers"][10]["address_hex"], "0x0A");

    const CliRun text = runCli({"--adapter", "sim", "--sim-state", state, "dump"});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_THAT(text.out, HasSubstr("0x06  OV_CFG       A5  OVD2=1 OVD1=0 OVD0=1 OVH1=0 OVH0=0 "
                                    "OV2=1 OV1=0 OV0=1\n"));
    EXPECT_THAT(text.out, HasSubstr("0x0A  SCD_CFG      80  SCDD3=1 SCDD2=0"));
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
    EXPECT_EQ(
        result.out,
        R"({"schema_version":1,"address":6,"address_hex":"0x06","value":90,"value_hex":"0x5A"})"
        "\n");
    EXPECT_THAT(writes, ElementsAre("write 06 5A rc=0"));

    result = run({"write", "0x01", "84"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_THAT(result.out, IsEmpty());
    EXPECT_THAT(writes, ElementsAre("write 01 84 rc=0"));

    // The programming register is a register like the others: asked for, then written.
    result = run({"write", "0B", "71"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_THAT(writes, IsEmpty());
    EXPECT_EQ(run({"--yes", "write", "0B", "71"}).exitCode, 0);
    EXPECT_THAT(writes, ElementsAre("write 0B 71 rc=0"));
}

TEST(CliRegisters, OnATerminalTheUserIsAsked) {
    if (const std::string why = test_host::lacks(test_host::Need::Terminal); !why.empty())
        GTEST_SKIP() << why;
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

// Like i2cdump: a register that does not answer shows XX, the rest still comes, exit 1.
TEST(CliRegisters, DumpGoesOnPastARegisterThatDoesNotAnswer) {
    const std::vector<std::string> nak{"--adapter", "sim",         "--sim-fault",
                                       "nak=03",    "--sim-fault", "nak=05"};
    auto with = [&](std::vector<std::string> more) {
        std::vector<std::string> args = nak;
        args.insert(args.end(), more.begin(), more.end());
        return runCli(args);
    };
    const CliRun text = with({"dump"});
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_THAT(text.out, HasSubstr("0x03  FNCTN_CNTRL  XX\n0x04  CELL_BALANCE 00  "));
    EXPECT_THAT(text.out, HasSubstr("0x0A  SCD_CFG      48  "));
    EXPECT_THAT(text.err,
                HasSubstr("varenthal-cli: no answer from the chip at 0x20 on sim (read 0x03)\n"));

    const CliRun json = with({"--json", "dump"});
    EXPECT_EQ(json.exitCode, 1);
    const Json dump = Json::parse(json.out);
    ASSERT_EQ(dump["registers"].size(), 11U);
    EXPECT_EQ(dump["registers"][3]["value"], nullptr);
    EXPECT_EQ(dump["registers"][4]["value"], 0);
    EXPECT_EQ(dump["error"]["kind"], "no_answer");
    EXPECT_EQ(dump["error"]["register"], 3) << "the first failure";
    EXPECT_THAT(dump["error"]["message"].get<std::string>(), HasSubstr("(read 0x03)"));
}

TEST(CliRegisters, UsageErrorsCarryOnePrefixAndNameTheUnknownWord) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"bogus"},
         "varenthal-cli: unknown command 'bogus' (expected list, read, write, dump, status, eeprom "
         "or "
         "watch)\n"},
        {{"eeprom", "burn"},
         "varenthal-cli: unknown eeprom command 'burn' (expected show, save, program or verify)\n"},
        {{"read"}, "varenthal-cli: ADDR is required (varenthal-cli --help tells more)\n"},
        {{"--adapter", "no such adapter", "dump"},
         "varenthal-cli: unknown adapter 'no such adapter'"},
    };
    for (const auto& [args, text] : cases) {
        std::vector<std::string> all{"--adapter", "sim"};
        all.insert(all.end(), args.begin(), args.end());
        if (args.front() == "--adapter") all = args;
        const CliRun run = runCli(all);
        EXPECT_EQ(run.exitCode, 2) << args.front();
        EXPECT_THAT(run.err, testing::StartsWith(text)) << args.front();
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << args.front();
    }
}
