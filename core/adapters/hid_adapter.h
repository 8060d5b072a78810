#pragma once
// The `hid` back-end: a CP2112 or MCP2221 USB bridge through its HID reports, with the
// programming voltage on one of the bridge's own pins (--pulse-gpio hid:N) or on a gpiochip
// line. Devices are listed as "hid:SERIAL", or "hid:PATH" for a bridge without a serial of
// its own. Every failure is a negative errno as result code with a one-line reason in
// lastFailure().

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/adapters/bus_identity.h"
#include "core/adapters/gpio_system.h"
#include "core/adapters/hid_bridge.h"
#include "core/adapters/hid_device.h"
#include "core/adapters/hid_names.h"
#include "core/adapters/pulse_line.h"
#include "core/link/talvex.h"


// One bridge as the list shows it.
struct HidBridgeEntry {
    std::string name;  // "hid:SERIAL" or "hid:PATH"
    HidDeviceInfo info;
    const char* kind;
};

// Every bridge of a known model; with `includeBound` false, only those that no kernel driver
// of their own has (those are used through their i2c-dev bus).
std::vector<HidBridgeEntry> listHidBridges(HidSystem& system, bool includeBound);


class HidAdapter final : public Talvex {
public:
    // `select` is "hid" (every bridge) or "hid:SERIAL" / "hid:PATH" (that one).
    HidAdapter(std::string select, std::string pulseGpio, std::shared_ptr<HidSystem> system,
               std::shared_ptr<GpioSystem> gpio, bool includeBound = true);
    ~HidAdapter() override;
    HidAdapter(const HidAdapter&) = delete;
    HidAdapter& operator=(const HidAdapter&) = delete;

    std::int32_t listFreeDevices(std::int32_t kind, std::int32_t& count,
                                 std::string& names) override;
    // Also makes the voltage pin an output driven off.
    std::int32_t open(const std::string& name) override;
    void close() override;  // also switches the programming voltage off
    std::int32_t transfer(std::int32_t selector, std::int16_t& a, std::int16_t& b,
                          std::int16_t& c) override;
    std::int32_t holdPulseLine(std::string& reason) override;
    std::string lastFailure() const override { return lastError_; }

private:
    std::int32_t fail(std::int32_t rc, std::string reason);
    std::int32_t byteTransfer(bool write, std::int16_t device, std::int16_t reg,
                              std::int16_t& data);
    std::int32_t pulse(std::int16_t onOff);
    // The device and protocol go; the next open finds the bridge again.
    void drop();

    std::string select_;
    std::string pulseGpio_;
    std::optional<int> pin_;  // the bridge's own voltage pin
    std::shared_ptr<HidSystem> system_;
    PulseLine pulseLine_;
    bool includeBound_;
    std::unique_ptr<HidDevice> device_;
    std::unique_ptr<HidBridge> bridge_;
    std::string openName_;
    std::string lastError_;
};


// The back-end on hidapi.
std::unique_ptr<Talvex> makeHidAdapter(const std::string& select, const std::string& pulseGpio,
                                       bool includeBound = true);
