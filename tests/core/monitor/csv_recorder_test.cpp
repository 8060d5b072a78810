// The CSV file of a recording: its exact text, when rows reach the disk, and what a crash
// leaves behind.

#include "core/monitor/csv_recorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/test_host.h"

namespace {

using monitor::CsvRecorder;
using monitor::MonitorSample;

class CsvRecorderTest : public ::testing::Test {
protected:
    void SetUp() override {
        static char utc[] = "TZ=UTC";  // putenv keeps the string; both systems have it
        putenv(utc);
        tzset();
        path_ = (std::filesystem::temp_directory_path() /
                 ("varenthal-csv-" + std::to_string(getpid()) + ".csv"))
                    .string();
    }
    void TearDown() override { std::filesystem::remove(path_); }

    std::string fileText() const {
        std::ifstream in(path_);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // 2026-12-07 14:03:12.000 UTC plus `seconds`.
    static MonitorSample sample(double seconds, std::optional<std::uint8_t> status,
                                std::vector<std::optional<std::uint8_t>> registers = {}) {
        const auto base = std::chrono::system_clock::time_point(std::chrono::seconds(1796652192));
        return MonitorSample{base + std::chrono::milliseconds(std::lround(seconds * 1000)), seconds,
                             status, std::move(registers)};
    }

    std::string path_;
};

TEST_F(CsvRecorderTest, HeaderAndOneRowPerSampleWithEmptyFieldsForWhatDidNotAnswer) {
    CsvRecorder recorder;
    ASSERT_TRUE(recorder.open(path_, {0x01, 0x08}));
    EXPECT_TRUE(recorder.add(sample(0.0, 0xE0, {0x00, 0x28})));
    EXPECT_TRUE(recorder.add(sample(0.1, 0x64, {std::nullopt, 0x28})));
    EXPECT_TRUE(recorder.add(sample(0.2, std::nullopt, {std::nullopt, std::nullopt})));
    EXPECT_TRUE(recorder.close());
    EXPECT_EQ(recorder.rows(), 3U);
    EXPECT_EQ(fileText(),
              "time,seconds,status,SCD,OCD,OV,UV,OVTEMP,VGOOD,DSG,CHG,OUTPUT_CNTRL,"
              "OCV_UV_DELAY,comm\n"
              "2026-12-07T14:03:12.000+00:00,0.000,0xE0,0,0,0,0,0,1,1,1,0x00,0x28,ok\n"
              "2026-12-07T14:03:12.100+00:00,0.100,0x64,0,0,1,0,0,1,1,0,,0x28,error\n"
              "2026-12-07T14:03:12.200+00:00,0.200,,,,,,,,,,,,error\n");
}

TEST_F(CsvRecorderTest, RowsReachTheFileOnceASecondOfSamplesHasPassed) {
    CsvRecorder recorder;
    ASSERT_TRUE(recorder.open(path_, {}));
    const auto lines = [&] {
        const std::string text = fileText();
        return std::count(text.begin(), text.end(), '\n');
    };
    EXPECT_EQ(lines(), 1) << "the header is written at once";
    recorder.add(sample(0.0, 0xE0));
    recorder.add(sample(0.9, 0xE0));
    EXPECT_EQ(lines(), 1);
    recorder.add(sample(1.0, 0xE0));
    EXPECT_EQ(lines(), 4);
    recorder.add(sample(1.5, 0xE0));
    EXPECT_TRUE(recorder.close());
    EXPECT_EQ(lines(), 5);
}

TEST_F(CsvRecorderTest, AKilledRecorderLeavesWholeRowsOnly) {
    const std::string why = test_host::runAndKill([&] {
        // Never destroyed: the child dies with the recorder open, as in a crash.
        auto* recorder = new CsvRecorder;
        if (!recorder->open(path_, {0x01})) return;
        for (int i = 0; i < 25; ++i) recorder->add(sample(i * 0.1, 0xE0, {0x84}));
    });
    if (!why.empty()) GTEST_SKIP() << why;

    const std::string text = fileText();
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    std::istringstream in(text);
    std::string line;
    int rows = -1;
    while (std::getline(in, line)) {
        EXPECT_EQ(std::count(line.begin(), line.end(), ','), 12) << line;
        ++rows;
    }
    EXPECT_EQ(rows, 21) << "rows up to the flush at 2.0 s, none after";
}

TEST_F(CsvRecorderTest, AFileThatCannotBeCreatedIsReported) {
    CsvRecorder recorder;
    EXPECT_FALSE(recorder.open("/nonexistent-dir/x.csv", {}));
    EXPECT_NE(recorder.error().find("/nonexistent-dir/x.csv"), std::string::npos);
    EXPECT_FALSE(recorder.add(sample(0, 0xE0)));
    // A full disk: the header cannot be written, so nothing is recording.
    EXPECT_FALSE(recorder.open("/dev/full", {}));
    EXPECT_FALSE(recorder.isOpen());
    EXPECT_NE(recorder.error().find("cannot write"), std::string::npos);
}

}  // namespace
