#include "core/monitor/sample_format.h"

#include <cstdio>
#include <ctime>

#include "core/base/local_time.h"
#include "core/chip/register_map.h"

namespace monitor {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

// "0x" first: a spreadsheet takes "64" for a number and "E0" for text; with the prefix every
// value stays hex text, and parsers of hex (strtol, int(x, 16)) still read it.
void appendHex(std::string& out, std::uint8_t value) {
    out += "0x";
    out += kHex[value >> 4];
    out += kHex[value & 0x0F];
}

struct SampleTime {
    std::tm tm{};
    long utcOffsetSeconds = 0;
    int milliseconds = 0;
};

SampleTime localTime(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(time.time_since_epoch()).count();
    // Floor, so that times before the epoch keep a milliseconds field of 0..999.
    std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    int rest = static_cast<int>(ms % 1000);
    if (rest < 0) {
        rest += 1000;
        --seconds;
    }
    const LocalTime calendar = localTimeOf(seconds);
    SampleTime local;
    local.tm = calendar.tm;
    local.utcOffsetSeconds = calendar.utcOffsetSeconds;
    local.milliseconds = rest;
    return local;
}

}  // namespace

std::vector<std::string_view> flagNames() {
    const auto& bits = chip::kRegisters[chip::STATUS].bits;
    return {bits.begin(), bits.end()};
}

std::string registerColumn(std::uint8_t address) {
    const chip::RegisterInfo* info = chip::findRegister(address);
    std::string name = info ? std::string(info->name)
                            : "REG_" + std::string{kHex[address >> 4], kHex[address & 0x0F]};
    for (char& c : name) {
        if (c == ' ') c = '_';
    }
    return name;
}

std::string csvHeader(const std::vector<std::uint8_t>& registers) {
    std::string header = "time,seconds,status";
    for (std::string_view flag : flagNames()) (header += ',') += flag;
    for (std::uint8_t address : registers) (header += ',') += registerColumn(address);
    header += ",comm\n";
    return header;
}

std::string csvRow(const MonitorSample& sample) {
    std::string row;
    row.reserve(96 + 3 * sample.registers.size());
    row += isoTime(sample.wallTime);
    row += ',';
    row += secondsText(sample.seconds);
    row += ',';
    if (sample.status) appendHex(row, *sample.status);
    for (int bit = 0; bit < 8; ++bit) {
        row += ',';
        if (sample.status) row += (*sample.status >> bit) & 1 ? '1' : '0';
    }
    for (const auto& value : sample.registers) {
        row += ',';
        if (value) appendHex(row, *value);
    }
    row += sample.ok() ? ",ok\n" : ",error\n";
    return row;
}

std::string isoTime(std::chrono::system_clock::time_point time) {
    const SampleTime local = localTime(time);
    const long offset = local.utcOffsetSeconds;
    const int offsetMinutes = static_cast<int>((offset < 0 ? -offset : offset) / 60) % (24 * 60);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d",
                  local.tm.tm_year + 1900, local.tm.tm_mon + 1, local.tm.tm_mday, local.tm.tm_hour,
                  local.tm.tm_min, local.tm.tm_sec, local.milliseconds, offset < 0 ? '-' : '+',
                  offsetMinutes / 60, offsetMinutes % 60);
    return text;
}

std::string clockTime(std::chrono::system_clock::time_point time) {
    const SampleTime local = localTime(time);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm.tm_hour, local.tm.tm_min,
                  local.tm.tm_sec, local.milliseconds);
    return text;
}

std::string secondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return text;
}

}  // namespace monitor
