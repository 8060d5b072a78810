#include "core/adapters/trace_adapter.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/recording_adapter.h"

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class TraceAdapterTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = (std::filesystem::temp_directory_path() /
                ("trace-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log"))
                   .string();
    }
    void TearDown() override { std::filesystem::remove(path); }

    std::unique_ptr<TraceAdapter> make(double seconds) {
        auto inner = std::make_unique<RecordingAdapter>(chip);
        return std::make_unique<TraceAdapter>(std::move(inner), path,
                                              [seconds] { return seconds; });
    }

    std::string path;
    std::shared_ptr<FakeChip> chip = std::make_shared<FakeChip>();
};

TEST_F(TraceAdapterTest, WritesOneLinePerCallInTheAgreedFormat) {
    chip->listNames = "/dev/i2c-3,/dev/i2c-4";
    chip->listCount = 2;
    chip->registers[0x0A] = 0x1F;
    chip->writeResult = 3;
    auto trace = make(0.4116);

    std::int32_t count = 0;
    std::string names;
    trace->listFreeDevices(1, count, names);
    trace->open("/dev/i2c-3");
    std::int16_t dev = 32, reg = 0x0A, data = 0;
    EXPECT_EQ(trace->transfer(Talvex::kSelectorRead, dev, reg, data), 0);
    EXPECT_EQ(data, 0x1F);  // the decorator passes the data through
    std::int16_t wreg = 5, wdata = 0x80;
    EXPECT_EQ(trace->transfer(Talvex::kSelectorWrite, dev, wreg, wdata), 3);
    std::int16_t on = 1, b = 0, c = 0;
    trace->transfer(Talvex::kSelectorPulse, on, b, c);
    trace->close();

    EXPECT_EQ(readFile(path),
              "0.412 list 2 /dev/i2c-3,/dev/i2c-4 rc=0\n"
              "0.412 open /dev/i2c-3 rc=0\n"
              "0.412 read 0A 1F rc=0\n"
              "0.412 write 05 80 rc=3\n"
              "0.412 pulse 1 0 0 rc=0\n"
              "0.412 close\n");
    // Every call reached the back-end, whose own log is the same lines without the times.
    EXPECT_EQ(chip->log, (std::vector<std::string>{
                             "list 2 /dev/i2c-3,/dev/i2c-4 rc=0", "open /dev/i2c-3 rc=0",
                             "read 0A 1F rc=0", "write 05 80 rc=3", "pulse 1 0 0 rc=0", "close"}));
}

TEST_F(TraceAdapterTest, ReadShowsTheDataAsItStandsAfterTheCall) {
    chip->readResult = -1;
    auto trace = make(12.0);
    std::int16_t dev = 32, reg = 0xFF, data = 0x07;
    trace->transfer(Talvex::kSelectorRead, dev, reg, data);
    EXPECT_EQ(readFile(path), "12.000 read FF 07 rc=-1\n");
}

TEST_F(TraceAdapterTest, LinesAreOnDiskBeforeTheNextCall) {
    auto trace = make(3.0);
    std::int32_t count = 0;
    std::string names;
    trace->listFreeDevices(1, count, names);
    // Still open, nothing destroyed: the line must already be in the file.
    EXPECT_EQ(readFile(path), "3.000 list 1 fake rc=0\n");
}

TEST_F(TraceAdapterTest, AnUnwritableFileStillCallsThrough) {
    auto inner = std::make_unique<RecordingAdapter>(chip);
    TraceAdapter trace(std::move(inner), "/nonexistent-dir/trace.log");
    EXPECT_FALSE(trace.ok());
    EXPECT_EQ(trace.open("dev0"), 0);
    EXPECT_EQ(chip->log, std::vector<std::string>{"open dev0 rc=0"});
}

}  // namespace
