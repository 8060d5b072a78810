#include "core/sim/sim_state_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class SimStateFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("sim_state_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string path(const char* name) const { return (dir_ / name).string(); }
    void put(const std::string& p, const std::string& text) { std::ofstream(p) << text; }

    fs::path dir_;
};

TEST_F(SimStateFileTest, RoundTrip) {
    const SimulatedChip::Eeprom eeprom{0x00, 0xFF, 0x0A, 0xA0, 0x5C};
    const std::string p = path("chip.state");
    std::string why;
    ASSERT_TRUE(saveSimState(p, eeprom, &why)) << why;
    const SimStateLoad loaded = loadSimState(p);
    EXPECT_EQ(loaded.error, "");
    ASSERT_TRUE(loaded.eeprom);
    EXPECT_EQ(*loaded.eeprom, eeprom);
    EXPECT_EQ(readFile(p),
              "# Varenthal simulated chip: EEPROM, registers 0x06 to 0x0A\n"
              "06=00\n07=FF\n08=0A\n09=A0\n0A=5C\n");
}

TEST_F(SimStateFileTest, MissingFileIsNoError) {
    const SimStateLoad loaded = loadSimState(path("absent"));
    EXPECT_FALSE(loaded.eeprom);
    EXPECT_EQ(loaded.error, "");
}

TEST_F(SimStateFileTest, AcceptsCommentsBlanksSpacesAnyOrderAndCase) {
    std::string why;
    const auto eeprom = parseSimState("# x\r\n\n 0a = 5 \r\n09=a0\n08=0A\n07=ff\n06=00", &why);
    ASSERT_TRUE(eeprom) << why;
    EXPECT_EQ(*eeprom, (SimulatedChip::Eeprom{0x00, 0xFF, 0x0A, 0xA0, 0x05}));
}

TEST_F(SimStateFileTest, CorruptTextIsRejectedWithAReason) {
    const std::string good = "06=00\n07=00\n08=00\n09=00\n0A=00\n";
    const std::vector<std::pair<std::string, std::string>> cases{
        {"", "register 06 is missing"},
        {"06=00\n07=00\n08=00\n09=00\n", "register 0A is missing"},
        {good + "06=11\n", "line 6: register 06 given twice"},
        {good + "0B=00\n", "line 6: not an EEPROM register (06 to 0A)"},
        {good + "05=00\n", "line 6: not an EEPROM register (06 to 0A)"},
        {"06=100\n", "line 1: value is not one or two hex digits"},
        {"06=\n", "line 1: value is not one or two hex digits"},
        {"06=G1\n", "line 1: value is not one or two hex digits"},
        {"garbage\n", "line 1: expected RR=VV"},
        {std::string("06=0\0", 5) + "0\n", "line 1: value is not one or two hex digits"},
    };
    for (const auto& [text, reason] : cases) {
        std::string why;
        EXPECT_FALSE(parseSimState(text, &why)) << text;
        EXPECT_EQ(why, reason) << text;
    }
}

TEST_F(SimStateFileTest, UnreadableOrCorruptFilesReportAndGiveNoEeprom) {
    const std::string corrupt = path("corrupt");
    put(corrupt, "06=ZZ\n");
    SimStateLoad loaded = loadSimState(corrupt);
    EXPECT_FALSE(loaded.eeprom);
    EXPECT_NE(loaded.error.find("corrupt: line 1"), std::string::npos) << loaded.error;

    loaded = loadSimState(dir_.string());
    EXPECT_FALSE(loaded.eeprom);
    EXPECT_NE(loaded.error.find("not a regular file"), std::string::npos) << loaded.error;

    const std::string huge = path("huge");
    put(huge, std::string(100000, '#'));
    loaded = loadSimState(huge);
    EXPECT_FALSE(loaded.eeprom);
    EXPECT_NE(loaded.error.find("too large"), std::string::npos) << loaded.error;
}

TEST_F(SimStateFileTest, SavingIntoAMissingFolderFails) {
    std::string why;
    EXPECT_FALSE(saveSimState(path("no/such/folder"), SimulatedChip::kDefaultEeprom, &why));
    EXPECT_NE(why, "");
}

}  // namespace
