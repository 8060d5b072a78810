#pragma once
// The CP2112's report protocol: SMBus configuration and GPIO through feature reports, the
// transfers through interrupt reports (a request, then transfer-status polls, then for a
// read the forced read response).

#include "core/adapters/hid_bridge.h"

class Cp2112Bridge final : public HidBridge {
public:
    explicit Cp2112Bridge(HidDevice& device) : device_(device) {}

    const char* kind() const override { return kCp2112.kind; }
    int configure(std::string& reason) override;
    int readByteData(std::uint8_t device, std::uint8_t reg, std::uint8_t& value,
                     std::string& reason) override;
    int writeByteData(std::uint8_t device, std::uint8_t reg, std::uint8_t value,
                      std::string& reason) override;
    int pinCount() const override { return 8; }
    int makeOutputLow(int pin, std::string& reason) override;
    int setPin(int pin, bool high, std::string& reason) override;

private:
    int send(std::initializer_list<std::uint8_t> report, std::string& reason);
    int receive(std::uint8_t id, std::span<std::uint8_t> report, std::string& reason);
    int getFeature(std::uint8_t id, std::span<std::uint8_t> report, std::string& reason);
    int setFeature(std::span<const std::uint8_t> report, std::string& reason);
    int awaitTransfer(std::uint8_t device, std::string& reason);
    int cancel();

    HidDevice& device_;
};
