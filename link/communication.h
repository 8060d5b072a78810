#pragma once
// Register access layer: every register transfer of the program passes here.
// Only reads report on the communication status line; writes are fire-and-forget.

#include <cstdint>
#include <functional>
#include <string_view>

namespace Communication {

inline constexpr std::string_view kCommStatusOk = "I2C Comm Status: OK";
inline constexpr std::string_view kCommStatusError = "I2C Comm Status: Error";

// Reads one register byte into `data` and shows the result on the status line.
std::int32_t ReadRegister(std::uint8_t address, std::uint8_t& data);
// Writes one register byte; the result is ignored on purpose.
void WriteRegister(std::uint8_t address, std::uint8_t data);
// The four-value transfer of EEPROM programming (programming voltage control).
std::int32_t WriteI2CBytes(std::int16_t& iByte2, std::int16_t& iByte3, std::int16_t& iByte4,
                           std::int16_t& iByte5);
// Sets the status line from a read's result code.
void ShowCommStatus(std::int32_t code);

// The window that shows the status line listens here; the core knows no widgets.
using CommStatusListener = std::function<void(std::string_view text)>;
void SetCommStatusListener(CommStatusListener listener);

}  // namespace Communication
