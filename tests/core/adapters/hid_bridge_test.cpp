// The two bridges' report protocols against their emulated device side, with the simulated
// chip on the bus: what goes out for each operation, and what each fault comes back as.

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

#include "core/adapters/cp2112_bridge.h"
#include "core/adapters/mcp2221_bridge.h"
#include "core/sim/simulated_chip.h"
#include "tests/support/bridge_emulator.h"

namespace {

constexpr std::uint8_t kChip = 0x20;
constexpr int kVoltagePin = 3;

// One operation on a fresh bridge: faults to set first, what to do, and what must come of
// it. An empty `exchange` is not compared.
struct Case {
    const char* name;
    std::function<void(BridgeEmulator&)> setup;
    std::function<int(HidBridge&, std::string& reason)> act;
    int rc;
    const char* exchange;
    std::function<void(BridgeEmulator&, SimulatedChip&)> check = {};
};

int readOutputControl(HidBridge& bridge, std::string& reason) {
    std::uint8_t value = 0;
    const int rc = bridge.readByteData(kChip, 0x01, value, reason);
    return rc < 0 ? rc : value;
}

int writeOutputControl(HidBridge& bridge, std::string& reason) {
    return bridge.writeByteData(kChip, 0x01, 0x84, reason);
}

const auto none = [](BridgeEmulator&) {};
const auto nak = [](BridgeEmulator& e) { e.faults.nak = true; };
const auto endless = [](BridgeEmulator& e) { e.faults.endless = true; };
const auto stuck = [](BridgeEmulator& e) { e.faults.stuckBus = true; };
const auto unplugged = [](BridgeEmulator& e) { e.faults.unplugged = true; };
const auto silent = [](BridgeEmulator& e) { e.faults.silent = true; };

template <typename Emulator, typename Bridge>
void runCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimulatedChip chip;
        std::uint8_t control = 0;
        chip.writeRegister(0x01, 0x80);
        chip.readRegister(0x01, control);
        Emulator emulator(chip, kChip, kVoltagePin);
        Bridge bridge(emulator);
        c.setup(emulator);
        std::string reason;
        const int rc = c.act(bridge, reason);
        EXPECT_EQ(rc, c.rc) << reason;
        if (rc < 0) {
            EXPECT_FALSE(reason.empty());
        }
        if (*c.exchange) {
            EXPECT_EQ(emulator.logText(), c.exchange);
        }
        if (c.check) c.check(emulator, chip);
        // Nothing in any case leaves the voltage on by itself.
        if (std::string(c.name).find("voltage on") == std::string::npos) {
            EXPECT_FALSE(chip.programmingVoltage());
        }
    }
}

}  // namespace

TEST(HidBridge, Cp2112ReportExchanges) {
    const auto control = [](std::uint8_t expected) {
        return [expected](BridgeEmulator&, SimulatedChip& chip) {
            std::uint8_t value = 0;
            chip.readRegister(0x01, value);
            EXPECT_EQ(value, expected);
        };
    };
    const auto cancelled = [](BridgeEmulator& e, SimulatedChip&) { EXPECT_EQ(e.cancels, 1); };
    const std::vector<Case> cases = {
        {"configure: cancel, then 100 kHz with timeouts, read back", none,
         [](HidBridge& b, std::string& r) { return b.configure(r); }, 0, "out 17 set 06 get 06",
         [](BridgeEmulator& e, SimulatedChip&) {
             const auto& config = static_cast<Cp2112Emulator&>(e).smbusConfig;
             EXPECT_EQ(std::vector<std::uint8_t>(config.begin(), config.begin() + 4),
                       (std::vector<std::uint8_t>{0x00, 0x01, 0x86, 0xA0}));
             EXPECT_EQ(config[10], 0x01) << "SCL low timeout on";
             EXPECT_NE(config[7] | config[9], 0) << "the bridge gives up by itself";
         }},
        {"read: write-read request, status, forced read", none, readOutputControl, 0x80,
         "out 11 out 15 out 12"},
        {"write: data write, status", none, writeOutputControl, 0, "out 14 out 15", control(0x84)},
        {"read not acknowledged", nak, readOutputControl, -ENXIO, "out 11 out 15"},
        {"write not acknowledged", nak, writeOutputControl, -ENXIO, "", control(0x80)},
        {"a transfer that never ends is cancelled", endless, readOutputControl, -ETIMEDOUT, "",
         cancelled},
        {"a bus held low is cancelled", stuck, writeOutputControl, -EBUSY, "out 14 out 15 out 17",
         control(0x80)},
        {"unplugged", unplugged, readOutputControl, -ENODEV, ""},
        {"no answer counts as unplugged", silent, writeOutputControl, -ENODEV, "out 14 out 15"},
        {"voltage pin: latch low, then output push-pull, checked", none,
         [](HidBridge& b, std::string& r) { return b.makeOutputLow(kVoltagePin, r); }, 0,
         "set 04 get 02 set 02 get 02 set 04 get 03",
         [](BridgeEmulator& e, SimulatedChip&) {
             const auto& cp = static_cast<Cp2112Emulator&>(e);
             EXPECT_EQ(cp.direction, 1 << kVoltagePin);
             EXPECT_EQ(cp.pushPull, 1 << kVoltagePin);
             EXPECT_FALSE(cp.pinDrivesHigh(kVoltagePin));
         }},
        {"voltage on through the pin", none,
         [](HidBridge& b, std::string& r) {
             const int rc = b.makeOutputLow(kVoltagePin, r);
             return rc < 0 ? rc : b.setPin(kVoltagePin, true, r);
         },
         0, "",
         [](BridgeEmulator&, SimulatedChip& chip) { EXPECT_TRUE(chip.programmingVoltage()); }},
        {"GPIO0's special function is taken away", none,
         [](HidBridge& b, std::string& r) { return b.makeOutputLow(0, r); }, 0, "",
         [](BridgeEmulator& e, SimulatedChip&) {
             EXPECT_EQ(static_cast<Cp2112Emulator&>(e).special & 0x02, 0);
         }},
        {"no GPIO8", none, [](HidBridge& b, std::string& r) { return b.makeOutputLow(8, r); },
         -EINVAL, ""},
        {"a pin that does not follow is reported (an input reads high)", none,
         [](HidBridge& b, std::string& r) { return b.setPin(kVoltagePin, false, r); }, -EIO,
         "set 04 get 03"},
    };
    runCases<Cp2112Emulator, Cp2112Bridge>(cases);
}

TEST(HidBridge, Mcp2221ReportExchanges) {
    const auto control = [](std::uint8_t expected) {
        return [expected](BridgeEmulator&, SimulatedChip& chip) {
            std::uint8_t value = 0;
            chip.readRegister(0x01, value);
            EXPECT_EQ(value, expected);
        };
    };
    const auto cancelled = [](BridgeEmulator& e, SimulatedChip&) { EXPECT_EQ(e.cancels, 1); };
    const std::vector<Case> cases = {
        {"configure: status, then 100 kHz", none,
         [](HidBridge& b, std::string& r) { return b.configure(r); }, 0, "out 10 out 10",
         [](BridgeEmulator& e, SimulatedChip&) {
             EXPECT_EQ(static_cast<Mcp2221Emulator&>(e).divider, 12000000 / 100000 - 3);
         }},
        {"read: write without stop, read after repeated start, get data", none, readOutputControl,
         0x80, "out 94 out 93 out 40"},
        {"write: write, then status until idle", none, writeOutputControl, 0, "out 90 out 10",
         control(0x84)},
        {"read not acknowledged", nak, readOutputControl, -ENXIO, "out 94 out 93 out 40 out 10"},
        {"write not acknowledged", nak, writeOutputControl, -ENXIO, "out 90 out 10 out 10",
         control(0x80)},
        {"a transfer that never ends is cancelled", endless, writeOutputControl, -ETIMEDOUT, "",
         cancelled},
        {"a read that never ends is cancelled", endless, readOutputControl, -ETIMEDOUT, "",
         cancelled},
        {"a bus held low is cancelled and named", stuck, readOutputControl, -EBUSY, "",
         control(0x80)},
        {"unplugged", unplugged, writeOutputControl, -ENODEV, ""},
        {"no answer counts as unplugged", silent, readOutputControl, -ENODEV, "out 94"},
        {"voltage pin: output low, read back", none,
         [](HidBridge& b, std::string& r) { return b.makeOutputLow(kVoltagePin, r); }, 0,
         "out 50 out 51",
         [](BridgeEmulator& e, SimulatedChip&) {
             const auto& pin = static_cast<Mcp2221Emulator&>(e).pins[kVoltagePin];
             EXPECT_FALSE(pin.input);
             EXPECT_FALSE(pin.value);
         }},
        {"voltage on through the pin", none,
         [](HidBridge& b, std::string& r) {
             const int rc = b.makeOutputLow(kVoltagePin, r);
             return rc < 0 ? rc : b.setPin(kVoltagePin, true, r);
         },
         0, "",
         [](BridgeEmulator&, SimulatedChip& chip) { EXPECT_TRUE(chip.programmingVoltage()); }},
        {"no GP4", none, [](HidBridge& b, std::string& r) { return b.makeOutputLow(4, r); },
         -EINVAL, ""},
        {"a pin set to another function is refused",
         [](BridgeEmulator& e) { static_cast<Mcp2221Emulator&>(e).pins[1].gpio = false; },
         [](HidBridge& b, std::string& r) { return b.makeOutputLow(1, r); }, -EINVAL, "out 50"},
    };
    runCases<Mcp2221Emulator, Mcp2221Bridge>(cases);
}
