// Argument handling of the real executable: help, version, usage errors and their exit code.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <sstream>

#include "cli_run.h"
#include "tests/support/test_host.h"
#include "core/sim/sim_state_file.h"

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

TEST(CliArguments, HelpNamesEveryCommandExitCodeAndExample) {
    const CliRun run = runCli({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    for (const char* text :
         {"list", "read", "write", "dump", "status", "eeprom", "--adapter", "--pulse-gpio",
          "--trace", "--sim-fault", "--sim-state", "--json", "--yes", "EXIT CODES", "EXAMPLES",
          "--adapter sim dump", "eeprom program --backup"}) {
        EXPECT_THAT(run.out, HasSubstr(text)) << text;
    }
    EXPECT_THAT(runCli({"eeprom", "show", "--help"}).out, HasSubstr("--cells"));
}

// Every help screen fits an 80-column terminal, the option table's descriptions included.
TEST(CliArguments, EveryHelpFitsEightyColumns) {
    const std::vector<std::vector<std::string>> screens{{"--help"},
                                                        {"list", "--help"},
                                                        {"read", "--help"},
                                                        {"write", "--help"},
                                                        {"dump", "--help"},
                                                        {"status", "--help"},
                                                        {"eeprom", "--help"},
                                                        {"watch", "--help"},
                                                        {"eeprom", "show", "--help"},
                                                        {"eeprom", "save", "--help"},
                                                        {"eeprom", "program", "--help"},
                                                        {"eeprom", "verify", "--help"}};
    for (const auto& args : screens) {
        const CliRun run = runCli(args);
        ASSERT_EQ(run.exitCode, 0) << args.front();
        std::istringstream lines(run.out);
        std::string line;
        int count = 0;
        while (std::getline(lines, line)) {
            ++count;
            EXPECT_LE(line.size(), 80U) << args.front() << ": " << line;
        }
        EXPECT_GT(count, 5) << args.front();
    }
    // Wrapping keeps every word: the long --adapter description is all there.
    const CliRun tool = runCli({"--help"});
    EXPECT_THAT(tool.out, HasSubstr("/dev/i2c-3 or its adapter's name."));
}

// A word that is neither a command nor an option is named as unknown, with the commands.
TEST(CliArguments, AnUnknownWordWhereTheCommandBelongsIsNamed) {
    for (const char* word : {"frobnicate", "--frobnicate"}) {
        const CliRun run = runCli({"--adapter", "sim", word});
        EXPECT_EQ(run.exitCode, 2) << word;
        EXPECT_THAT(run.err, HasSubstr("unknown")) << word;
        EXPECT_THAT(run.err, HasSubstr("'" + std::string(word) + "'")) << word;
        EXPECT_THAT(run.err, HasSubstr("expected list, read, write")) << word;
        EXPECT_THAT(run.err, Not(HasSubstr("A subcommand is required"))) << word;
    }
}

TEST(CliArguments, VersionIsTheBuildsVersion) {
    const CliRun run = runCli({"--version"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "varenthal-cli " VARENTHAL_VERSION "\n");
}

// Each of these is refused with exit code 2 before any adapter is opened: the trace file
// that every case names stays empty.
TEST(CliArguments, BadUsageExitsWithTwoAndTouchesNoBus) {
    const std::vector<std::vector<std::string>> cases{
        {},
        {"--no-such-option", "dump"},
        {"frobnicate"},
        {"read"},
        {"read", "0A", "0B"},
        {"write", "06"},
        {"eeprom"},
        {"eeprom", "save"},
        {"read", "GG"},
        {"read", "123"},
        {"read", "0x"},
        {"read", " 1"},
        {"read", "-1"},
        {"write", "01", "0x100"},
        {"eeprom", "show", "--cells", "4"},
        {"eeprom", "show", "--cells", "11"},
        {"eeprom", "show", "--fs", "2"},
        {"--adapter", "usb", "dump"},
        {"--pulse-gpio", "gpiochip0", "dump"},
        {"--pulse-gpio", "99999999999999999999:5", "dump"},  // too large for any number
        {"--pulse-gpio", "4294967296:5", "dump"},            // would wrap to chip 0
        {"--pulse-gpio", "gpiochip0:2147483648", "dump"},
        {"--adapter", "i2c-dev", "--sim-fault", "vgood-low", "dump"},
    };
    const TempDir dir;
    for (auto args : cases) {
        std::string shown;
        for (const auto& a : args) shown += "'" + a + "' ";
        if (shown.find("--adapter") == std::string::npos) {
            args.insert(args.begin(), {"--adapter", "sim"});
        }
        args.insert(args.begin(), {"--trace", dir.file("trace")});
        const CliRun run = runCli(args);
        EXPECT_EQ(run.exitCode, 2) << shown;
        EXPECT_THAT(run.out, IsEmpty()) << shown;
        EXPECT_THAT(run.err, Not(IsEmpty())) << shown;
        EXPECT_THAT(readFile(dir.file("trace")), IsEmpty()) << shown;
    }
}

TEST(CliArguments, TraceFileThatCannotBeWrittenIsBadUsage) {
    const CliRun run = runCli({"--adapter", "sim", "--trace", "/nonexistent/dir/t.log", "dump"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_THAT(run.err, HasSubstr("/nonexistent/dir/t.log"));
    EXPECT_THAT(run.out, IsEmpty());
}

TEST(CliArguments, OptionsMayFollowTheCommandAndHexTakesEveryForm) {
    const TempDir dir;
    const std::string state = dir.file("board.sim");
    ASSERT_TRUE(saveSimState(state, {0x11, 0x22, 0x33, 0x44, 0x3C}));
    for (const char* address : {"0A", "0a", "a", "0x0A", "0XA", "0xa"}) {
        const CliRun run =
            runCli({"read", address, "--json", "--sim-state", state, "--adapter", "sim"});
        EXPECT_EQ(run.exitCode, 0) << address << run.err;
        EXPECT_EQ(run.out, R"({"schema_version":1,"address":10,"address_hex":"0x0A","value":60,)"
                           R"("value_hex":"0x3C"})"
                           "\n")
            << address;
    }
}

// Arguments that would take the wrong byte or file are refused with exit 2 before the bus
// opens, and every file they name is left as it was.
TEST(CliArguments, NoByteOrFileIsTakenByMistake) {
    const TempDir dir;
    const std::string pack = dir.file("pack.ee"), state = dir.file("board.sim");
    const std::string partial = dir.file("partial.ee");
    std::string fifo = dir.file("fifo");
    const std::string trace = dir.file("trace");
    writeFile(pack,
              "[Device]\nName=Varenthal\n[Registers]\nRegister06=4A\nRegister07=05\n"
              "Register08=1D\nRegister09=30\nRegister0A=00\n");
    writeFile(partial,
              "[Device]\nName=Varenthal\n[Registers]\nRegister06=4A\nRegister07=\n"
              "Register08=1D\nRegister09=30\n");
    ASSERT_TRUE(saveSimState(state, {0x11, 0x22, 0x33, 0x44, 0x55}));
    ASSERT_TRUE(makeSpecialFile(fifo));
    const std::string packText = readFile(pack), stateText = readFile(state);
    const std::string dotted = dir.file("./sub/../pack.ee");
    // A file the user marked read-only is not written over, whoever runs the tool.
    const std::string locked = dir.file("locked.ee");
    writeFile(locked, packText);
    std::filesystem::permissions(locked,
                                 std::filesystem::perms::owner_write |
                                     std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);

    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"write", "01", ""}, "invalid hex ''"},
        {{"read", ""}, "invalid hex ''"},
        {{"--trace", "", "dump"}, "--trace needs a file name"},
        {{"--yes", "eeprom", "program", "--backup", "", pack}, "--backup needs a file name"},
        {{"--trace", dotted, "--yes", "eeprom", "program", pack}, "name the same file"},
        {{"--trace", state, "--sim-state", state, "dump"}, "name the same file"},
        {{"--yes", "eeprom", "program", "--backup", dotted, pack}, "name the same file"},
        {{"--sim-state", state, "--yes", "eeprom", "program", partial},
         "Register07, Register0A missing or empty"},
        {{"--yes", "eeprom", "save", fifo}, "not a regular file"},
        {{"--yes", "eeprom", "program", "--backup", fifo, pack}, "not a regular file"},
        {{"--yes", "eeprom", "save", locked}, "'" + locked + "' read-only file"},
        {{"--yes", "eeprom", "program", "--backup", locked, pack}, "'" + locked + "' read-only"},
        {{"--log", locked, "dump"}, "log file '" + locked + "': read-only file"},
    };
    for (auto args : cases) {
        const std::vector<std::string> shown = args.first;
        args.first.insert(args.first.begin(), {"--adapter", "sim"});
        if (std::find(shown.begin(), shown.end(), "--trace") == shown.end()) {
            args.first.insert(args.first.begin(), {"--trace", trace});
        }
        const CliRun run = runCli(args.first);
        EXPECT_EQ(run.exitCode, 2) << shown.at(0) << " " << shown.at(1);
        EXPECT_THAT(run.err, HasSubstr(args.second));
        EXPECT_THAT(readFile(trace), IsEmpty()) << args.second;
        EXPECT_EQ(readFile(pack), packText) << args.second;
        EXPECT_EQ(readFile(state), stateText) << args.second;
        EXPECT_EQ(readFile(locked), packText) << args.second;
    }
}

TEST(CliArguments, OnlyAnI2cBusNodeIsOpenedAsABus) {
    if (const std::string why = test_host::lacks(test_host::Need::DeviceNodes); !why.empty())
        GTEST_SKIP() << why;
    for (const char* bus : {"/dev/null", "/dev/../etc/passwd"}) {
        const CliRun run = runCli({"--adapter", bus, "read", "00"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_THAT(run.err, HasSubstr(std::string(bus) + " is not an I2C bus")) << bus;
    }
}

}  // namespace
