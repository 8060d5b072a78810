#pragma once
// The MCP2221's report protocol: every command is one 64-byte output report answered by one
// 64-byte input report that starts with the command's code.

#include <array>

#include "core/adapters/hid_bridge.h"

class Mcp2221Bridge final : public HidBridge {
public:
    explicit Mcp2221Bridge(HidDevice& device) : device_(device) {}

    const char* kind() const override { return kMcp2221.kind; }
    int configure(std::string& reason) override;
    int readByteData(std::uint8_t device, std::uint8_t reg, std::uint8_t& value,
                     std::string& reason) override;
    int writeByteData(std::uint8_t device, std::uint8_t reg, std::uint8_t value,
                      std::string& reason) override;
    int pinCount() const override { return 4; }
    int makeOutputLow(int pin, std::string& reason) override;
    int setPin(int pin, bool high, std::string& reason) override;

private:
    using Report = std::array<std::uint8_t, 64>;
    // Sends `command` (zero-padded) and waits for its answer.
    int exchange(std::initializer_list<std::uint8_t> command, Report& answer, std::string& reason);
    int exchange(const Report& command, Report& answer, std::string& reason);
    // Waits for the engine to finish a write; maps what it ended in.
    int awaitWrite(std::uint8_t device, std::string& reason);
    // Stops whatever the engine does and tells why, from the bus lines.
    int abandon(int rc, const std::string& what, std::string& reason);
    int drivePin(int pin, bool high, bool makeOutput, std::string& reason);

    HidDevice& device_;
};
