#pragma once
// The text forms of a sample: the CSV header and rows that the recorder and
// `varenthal-cli watch` write, and the times that the event list shows.
//
//   time,seconds,status,SCD,OCD,OV,UV,OVTEMP,VGOOD,DSG,CHG,OUTPUT_CNTRL,comm
//   2026-12-07T14:03:12.400+01:00,2.000,0x64,0,0,1,0,0,1,1,0,0x00,ok
//
// STATUS and the registers are "0x" and two hex digits, which spreadsheets keep as text,
// every one alike; the flags 0 or 1; what did not answer is an empty field and makes `comm`
// "error".

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/monitor/monitor_sample.h"

namespace monitor {

// The STATUS flags in column order (bit 0 first), as the register map names them.
std::vector<std::string_view> flagNames();
// A register's column name: its name with spaces as underscores ("OCV_UV_DELAY").
std::string registerColumn(std::uint8_t address);

std::string csvHeader(const std::vector<std::uint8_t>& registers);
// One row with its newline.
std::string csvRow(const MonitorSample& sample);

// Local time, ISO 8601 with milliseconds and the offset: 2026-12-07T14:03:12.400+01:00.
std::string isoTime(std::chrono::system_clock::time_point time);
// Local time of day with milliseconds: 14:03:12.400.
std::string clockTime(std::chrono::system_clock::time_point time);
// Seconds with three decimals.
std::string secondsText(double seconds);

}  // namespace monitor
