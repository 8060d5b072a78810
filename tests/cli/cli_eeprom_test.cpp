// eeprom show, save and program through the real executable on the simulator: decoding as
// the page shows it, the .ee files, the programming sequence's outcomes by exit code, and
// its bus order against the core's own sequence run in this process.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli_run.h"
#include "tests/support/test_host.h"
#include "core/adapters/trace_adapter.h"
#include "core/eeprom/programming_sequence.h"
#include "core/link/communication.h"
#include "core/link/frm_usb.h"
#include "core/sim/sim_adapter.h"
#include "core/sim/sim_state_file.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using Json = nlohmann::ordered_json;

namespace {

constexpr const char* kPack =
    "[Device]\nName=Varenthal\n[Registers]\nRegister06=A5\nRegister07=c3 ; comment\n"
    "Register08=A3\nRegister09=10\nRegister0A=FF\n";
const eeprom::EepromImage kPackImage{0xA5, 0xC3, 0xA3, 0x10, 0xFF};

// Trace events between open and close: the command's own traffic.
std::vector<std::string> busTraffic(const std::string& trace) {
    std::vector<std::string> events;
    for (const std::string& e : traceEvents(trace)) {
        if (e.rfind("read", 0) == 0 || e.rfind("write", 0) == 0 || e.rfind("pulse", 0) == 0) {
            events.push_back(e);
        }
    }
    return events;
}

// The "registers" array as {"0x06": "A5", ...}, to compare with a file's bytes at a glance.
Json registerMap(const Json& shown) {
    Json map = Json::object();
    for (const Json& r : shown["registers"]) {
        map[r["address_hex"].get<std::string>()] = r["value_hex"].get<std::string>().substr(2);
    }
    return map;
}

class CliEeprom : public ::testing::Test {
protected:
    void SetUp() override { writeFile(pack, kPack); }

    CliRun run(std::vector<std::string> args) {
        std::filesystem::remove(trace);
        args.insert(args.begin(), {"--adapter", "sim", "--trace", trace});
        return runCli(args);
    }

    TempDir dir;
    const std::string pack = dir.file("pack.ee");
    const std::string trace = dir.file("bus.log");
};

TEST_F(CliEeprom, ShowDecodesAFileAsThePageShowsIt) {
    // No adapter is opened for a file: a bus that exists nowhere does not matter.
    CliRun result = runCli({"--adapter", "/dev/i2c-250", "--json", "eeprom", "show", pack});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Json show = Json::parse(result.out);
    EXPECT_EQ(show["source"], "file");
    EXPECT_EQ(registerMap(show),
              Json::parse(R"({"0x06":"A5","0x07":"C3","0x08":"A3","0x09":"10","0x0A":"FF"})"));
    std::vector<std::string> names;
    for (const auto& item : show["fields"].items()) names.push_back(item.key());
    EXPECT_THAT(names,
                ElementsAre("ov_threshold", "ov_hysteresis", "ov_delay", "uv_threshold",
                            "uv_hysteresis", "uvfet_dis", "soc_dis", "oc_threshold", "uv_delay",
                            "oc_delay", "sor", "zvc", "cben", "scd_threshold", "scd_delay"));
    const Json& f = show["fields"];
    EXPECT_EQ(f["ov_threshold"], Json::parse(R"({"code":5,"text":"4.40","unit":"V"})"));
    EXPECT_EQ(f["ov_hysteresis"], Json::parse(R"({"code":0,"text":"100","unit":"mV"})"));
    EXPECT_EQ(f["ov_delay"], Json::parse(R"({"code":5,"text":"1750","unit":"ms"})"));
    EXPECT_EQ(f["uv_threshold"], Json::parse(R"({"code":3,"text":"1.70","unit":"V"})"));
    EXPECT_EQ(f["uvfet_dis"], true);
    EXPECT_EQ(f["soc_dis"], true);
    EXPECT_EQ(f["oc_threshold"], Json::parse(R"({"code":3,"text":"25","unit":"mV"})"));
    // UVD code 10 is an upper item: the page right after initialisation calls it "(alt)".
    EXPECT_EQ(f["uv_delay"],
              Json::parse(R"j({"code":10,"text":"3000(alt)","unit":"ms","ms":3000,"alt":true})j"));
    // OCDD code 16 is shown as "100", like the delay box does.
    EXPECT_EQ(f["oc_delay"], Json::parse(R"({"code":16,"text":"100","unit":"ms"})"));
    EXPECT_EQ(f["sor"], false);
    EXPECT_EQ(f["scd_delay"], Json::parse(R"({"code":15,"text":"900","unit":"us"})"));

    // FS and the cell count change only the computed lower UV delay items.
    writeFile(pack, std::string(kPack).replace(std::string(kPack).find("A3"), 2, "33"));
    auto uvDelayText = [&](std::vector<std::string> extra) {
        std::vector<std::string> args{"--json", "eeprom", "show", pack};
        args.insert(args.end(), extra.begin(), extra.end());
        const CliRun r = runCli(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return Json::parse(r.out)["fields"]["uv_delay"]["text"].get<std::string>();
    };
    EXPECT_EQ(uvDelayText({}), "4000");
    EXPECT_EQ(uvDelayText({"--fs", "1"}), "10");
    EXPECT_EQ(uvDelayText({"--fs", "1", "--cells", "7"}), "7");
    EXPECT_EQ(uvDelayText({"--fs", "1", "--cells", "5"}), "5");

    result = runCli({"eeprom", "show", pack});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_THAT(result.out, HasSubstr("OV CFG     Addr 0x06  = A5\n"));
    EXPECT_THAT(result.out, HasSubstr("Disable Automatic DSG&CHG Control in OC/SC"));
}

TEST_F(CliEeprom, FilesThatTheProgramRefusesAreBadInputAndTouchNoBus) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"", "File Does Not Exist"},
        {"[Device]\nName=varenthal\n", "Invalid File"},
        {"[Device]\nName=Varenthal\n[Registers]\nRegister08=100\n", "Error Opening EEPROM File: "},
        {"[Device]\nName=Varenthal\n[Registers]\nRegister06=0x12\n", "Error Opening EEPROM File: "},
    };
    for (const auto& [text, why] : cases) {
        const std::string file = dir.file("bad.ee");
        std::filesystem::remove(file);
        if (!text.empty()) writeFile(file, text);
        for (const char* command : {"show", "program"}) {
            const CliRun result = run({"--yes", "eeprom", command, file});
            EXPECT_EQ(result.exitCode, 2) << command << ' ' << why;
            EXPECT_THAT(result.err, HasSubstr(why)) << command;
            EXPECT_THAT(result.out, IsEmpty());
            EXPECT_THAT(readFile(trace), IsEmpty()) << command << ' ' << why;
        }
    }
    // A file of only the name loads as five zero bytes.
    writeFile(pack, "[Device]\nName=Varenthal\n");
    const CliRun result = runCli({"--json", "eeprom", "show", pack});
    EXPECT_EQ(registerMap(Json::parse(result.out))["0x08"], "00");
}

// A key that is missing or empty reads as 00: show marks it, program needs it said.
TEST_F(CliEeprom, AnIncompleteFileIsMarkedAndProgrammedOnlyWhenAllowed) {
    writeFile(pack, "[Device]\nName=Varenthal\n[Registers]\nRegister06=4A\nRegister08=\n");
    const CliRun json = runCli({"--json", "eeprom", "show", pack});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    EXPECT_EQ(Json::parse(json.out)["missing_keys"],
              Json::parse(R"(["Register07","Register08","Register09","Register0A"])"));
    const CliRun text = runCli({"eeprom", "show", pack});
    EXPECT_THAT(text.out, HasSubstr("= 00  (Register08 missing or empty: read as 00)"));
    EXPECT_THAT(text.out, Not(HasSubstr("Register06 missing")));
    writeFile(dir.file("complete.ee"), kPack);
    const CliRun complete = runCli({"--json", "eeprom", "show", dir.file("complete.ee")});
    EXPECT_EQ(complete.exitCode, 0);
    EXPECT_THAT(complete.out, Not(HasSubstr("missing_keys")));

    const CliRun program = run({"--yes", "eeprom", "program", "--allow-incomplete", pack});
    EXPECT_EQ(program.exitCode, 0) << program.err;
    EXPECT_THAT(busTraffic(trace), ::testing::Contains("write 07 00 rc=0"));
}

TEST_F(CliEeprom, ShowAndSaveReadTheChip) {
    const std::string state = dir.file("board.sim");
    ASSERT_TRUE(saveSimState(state, kPackImage));
    CliRun result = run({"--sim-state", state, "--json", "eeprom", "show"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Json::parse(result.out)["source"], "chip");
    EXPECT_EQ(registerMap(Json::parse(result.out))["0x06"], "A5");
    // FS comes from OUTPUT_CNTRL unless --fs says otherwise.
    EXPECT_THAT(busTraffic(trace),
                ElementsAre("read 06 A5 rc=0", "read 07 C3 rc=0", "read 08 A3 rc=0",
                            "read 09 10 rc=0", "read 0A FF rc=0", "read 01 00 rc=0"));

    const std::string saved = dir.file("saved.ee");
    result = run({"--sim-state", state, "eeprom", "save", saved});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(readFile(saved),
              withNewFileLineEnds("[Device]\nName=Varenthal\n\n[Registers]\nRegister06=A5\n"
                                  "Register07=C3\nRegister08=A3\nRegister09=10\nRegister0A=FF\n"));

    // An existing file is replaced only with consent; its other keys survive.
    writeFile(saved, "[Notes]\nWho=bench 3\n");
    result = run({"eeprom", "save", saved});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_THAT(result.err, HasSubstr("--yes"));
    EXPECT_EQ(readFile(saved), "[Notes]\nWho=bench 3\n");
    result = run({"--yes", "--json", "eeprom", "save", saved});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(registerMap(Json::parse(result.out))["0x06"], "4A");
    EXPECT_THAT(readFile(saved), HasSubstr("Who=bench 3"));
    EXPECT_THAT(readFile(saved), HasSubstr("Register06=4A"));

    result = run({"--sim-fault", "nak=08", "eeprom", "save", dir.file("new.ee")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("new.ee")));
}

TEST_F(CliEeprom, ProgramBurnsTheFileAndSurvivesAPowerCycle) {
    const std::string state = dir.file("board.sim");
    const std::string backup = dir.file("before.ee");
    CliRun result = run({"--sim-state", state, "eeprom", "program", pack});
    EXPECT_EQ(result.exitCode, 2) << "no terminal and no --yes";
    EXPECT_THAT(readFile(trace), IsEmpty());

    result = run(
        {"--sim-state", state, "--yes", "--json", "eeprom", "program", "--backup", backup, pack});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out,
              "{\"schema_version\":1,\"result\":\"ok\",\"stage\":\"done\",\"reason\":\"\","
              "\"verified\":\"registers\"}\n");
    for (const char* step : {"30%", "50%", "60%", "70%", "80%", "100%"}) {
        EXPECT_THAT(result.err, HasSubstr(std::string("Programming EEPROM: ") + step));
    }
    // The backup holds what the chip had before: the simulator's default configuration.
    result = runCli({"--json", "eeprom", "show", backup});
    EXPECT_EQ(registerMap(Json::parse(result.out))["0x06"], "4A");

    // A later run is a fresh power-up of the same board: it holds the programmed bytes.
    result = run({"--sim-state", state, "--json", "eeprom", "show"});
    EXPECT_EQ(registerMap(Json::parse(result.out)),
              Json::parse(R"({"0x06":"A5","0x07":"C3","0x08":"A3","0x09":"10","0x0A":"FF"})"));
    result = run({"--json", "eeprom", "show"});
    EXPECT_EQ(registerMap(Json::parse(result.out))["0x06"], "4A") << "a board without state";
}

TEST_F(CliEeprom, EveryFailureEndsWithExitOneAndTheChipDisarmed) {
    const std::vector<std::pair<std::string, std::string>> faults{
        {"vgood-low", "VGOOD did not get set. EEPROM programming canceled."},
        {"nak=0B:1", "The chip did not answer. EEPROM programming canceled."},
        {"program-fails", "EEPROM did not program correctly."},
        {"stuck-bit", "EEPROM did not program correctly."},
        {"unplugged", "USB Error. Insure USB cable is connected and Driver is working"},
    };
    for (const auto& [fault, text] : faults) {
        const CliRun result =
            run({"--sim-fault", fault, "--yes", "--json", "eeprom", "program", pack});
        EXPECT_EQ(result.exitCode, 1) << fault;
        const Json answer = Json::parse(result.out);
        EXPECT_EQ(answer["result"], "failed") << fault;
        EXPECT_EQ(answer["message"], text) << fault;
        EXPECT_THAT(result.err, HasSubstr(text)) << fault;
        EXPECT_THAT(result.err, Not(HasSubstr("100%"))) << fault;

        // Whatever happened, the last word to 0x0B is 00 and the voltage ends off.
        std::string lastArm, lastPulse;
        for (const std::string& e : busTraffic(trace)) {
            if (e.rfind("write 0B", 0) == 0) lastArm = e;
            if (e.rfind("pulse", 0) == 0) lastPulse = e;
        }
        if (fault == "unplugged") continue;
        EXPECT_EQ(lastArm, "write 0B 00 rc=0") << fault;
        if (fault == "vgood-low" || fault == "nak=0B:1") {  // armed (or maybe), never pulsed
            EXPECT_THAT(lastPulse, IsEmpty());
        } else {
            EXPECT_EQ(lastPulse, "pulse 0 0 0 rc=0") << fault;
        }
    }
}

// What a verdict rests on, in the text, the JSON and the log record: the registers as loaded,
// or what the chip loaded from its EEPROM after a power cycle; and a read-back that the chip
// does not answer is tried again, or ends as not verified, never as a failed burn.
TEST_F(CliEeprom, AVerdictSaysWhichCheckItMadeAndProvesTheEepromAfterAPowerCycle) {
    const std::string scenario = dir.file("pfalt-unanswered.txt");
    writeFile(scenario, "1500 nak=01 on\n");  // after the load, before the read-back
    const std::vector<std::string> cycle{
        "--power-cycle", "--power-gpio",        "sim", "--power-off-time",
        "0.05",          "--power-settle-time", "0"};
    struct Case {
        std::string what;
        std::vector<std::string> args;
        int exitCode;
        std::string verified;  // "" for null
        std::string says;
        bool burnt;
    };
    auto with = [](std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const std::vector<Case> cases{
        {"no-vpp",
         {"--sim-fault", "no-vpp"},
         0,
         "registers",
         "only the registers were checked",
         false},
        {"no-vpp, power cycle", with({"--sim-fault", "no-vpp"}, cycle), 1, "after_power_up",
         "nothing was burnt", false},
        {"power cycle", cycle, 0, "after_power_up", "verified after a power cycle", true},
        // The log reads the chip first: 0x07 is read, loaded, then read back.
        {"first read-back read lost",
         {"--sim-fault", "nak=07:3"},
         0,
         "registers",
         "the registers read back right",
         true},
        {"OUTPUT_CNTRL never answers",
         {"--sim-scenario", scenario},
         1,
         "",
         "the chip did not answer",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string state = dir.file("board.sim");
        const std::string log = dir.file("run.jsonl");
        std::filesystem::remove(state);
        std::filesystem::remove(log);
        const CliRun result = run(with({"--sim-state", state, "--log", log, "--yes", "--json"},
                                       with(c.args, {"eeprom", "program", pack})));
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        const Json verdict = Json::parse(result.out);
        const Json verified = c.verified.empty() ? Json(nullptr) : Json(c.verified);
        EXPECT_EQ(verdict["verified"], verified);
        EXPECT_THAT(result.err, HasSubstr(c.says));
        const Json record = jsonLines<Json>(readFile(log)).at(0);
        EXPECT_EQ(record["verified"], verified);
        if (c.exitCode != 0) {
            EXPECT_EQ(verdict["stage"], "verifying");
            EXPECT_EQ(record["stage"], "verifying");
            EXPECT_THAT(verdict["reason"].get<std::string>(), HasSubstr(c.says));
        }
        if (c.what == "OUTPUT_CNTRL never answers") {
            EXPECT_EQ(verdict["error"]["kind"], "no_answer");
            EXPECT_EQ(verdict["message"], std::string(eeprom::kNotVerified));
        }
        if (c.what == "first read-back read lost") {
            const auto traffic = busTraffic(trace);
            EXPECT_EQ(std::count(traffic.begin(), traffic.end(), "read 07 C3 rc=0"), 1);
            EXPECT_EQ(std::count(traffic.begin(), traffic.end(), "read 07 00 rc=-1"), 1);
        }
        // The board powered up afresh holds what was burnt, and only that.
        const CliRun shown = run({"--sim-state", state, "--json", "eeprom", "show"});
        EXPECT_EQ(registerMap(Json::parse(shown.out))["0x06"], c.burnt ? "A5" : "4A");
    }

    // Without a line the operator switches the power when asked on the terminal.
    if (test_host::lacks(test_host::Need::Terminal).empty()) {
        const CliRun asked =
            runCliOnTerminal({"--adapter", "sim", "--power-cycle", "--power-off-time", "0",
                              "--power-settle-time", "0", "eeprom", "verify", pack},
                             "\n");
        EXPECT_THAT(asked.err + asked.out,
                    HasSubstr("Switch the board's power off and on, then press Enter."));
        EXPECT_THAT(asked.out, HasSubstr("checked after a power cycle"));
    }

    // Neither a line nor a terminal to ask on: refused before the bus opens.
    const CliRun refused = run({"--power-cycle", "--yes", "eeprom", "program", pack});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_THAT(refused.err, HasSubstr("--power-gpio"));
    EXPECT_THAT(readFile(trace), IsEmpty());
}

// The front end the window program gives the sequence, reduced to what reaches the bus.
class BusOnlyHost final : public eeprom::ProgrammingHost {
public:
    explicit BusOnlyHost(std::shared_ptr<SimulatedChip> chip) : chip_(std::move(chip)) {
        chip_->setClock([this] { return now_; });
    }
    void wait(double seconds) override {
        now_ += std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::duration<double>(seconds));
    }
    void setProgressShown(bool) override {}
    void setProgress(int) override {}
    void setVgoodLamp(bool) override {}
    void message(std::string_view, std::string_view, eeprom::MessageIcon) override {}
    eeprom::ConversionOutcome compose(eeprom::EepromImage& image) override {
        image = kPackImage;
        return eeprom::ConversionOutcome::Written;
    }

private:
    std::shared_ptr<SimulatedChip> chip_;
    std::chrono::steady_clock::time_point now_{};
};

TEST_F(CliEeprom, ProgramSendsTheSameBusOrderAsTheCoreSequence) {
    const CliRun result = run({"--yes", "eeprom", "program", pack});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::vector<std::string> cli = busTraffic(trace);

    const std::string coreTrace = dir.file("core.log");
    auto chip = std::make_shared<SimulatedChip>();
    frmUSB bus(std::make_unique<TraceAdapter>(std::make_unique<SimAdapter>(chip), coreTrace));
    ASSERT_TRUE(bus.OpenFirstFreeDevice());
    BusOnlyHost host(chip);
    eeprom::EepromProgrammer programmer(host, Communication(bus));
    EXPECT_EQ(programmer.run(), eeprom::ProgramResult::Success);

    EXPECT_EQ(cli, busTraffic(coreTrace));
    EXPECT_THAT(cli, ElementsAre("write 06 A5 rc=0", "write 07 C3 rc=0", "write 08 A3 rc=0",
                                 "write 09 10 rc=0", "write 0A FF rc=0", "write 0B 71 rc=0",
                                 "write 0B 41 rc=0", "read 00 E0 rc=0", "pulse 1 0 0 rc=0",
                                 "write 0B 00 rc=0", "pulse 0 0 0 rc=0", "read 06 A5 rc=0",
                                 "read 07 C3 rc=0", "read 08 A3 rc=0", "read 09 10 rc=0",
                                 "read 0A FF rc=0", "read 01 00 rc=0"));
}

}  // namespace
