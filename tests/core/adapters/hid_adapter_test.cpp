// The `hid` back-end over emulated bridges: how bridges are named and chosen, the voltage
// pin from open to close, and a bridge that goes away and comes back.

#include "core/adapters/hid_adapter.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <utility>

#include "core/adapters/adapter_setup.h"
#include "core/adapters/usb_adapters.h"
#include "core/eeprom/programming_sequence.h"
#include "core/link/communication.h"
#include "core/link/frm_usb.h"
#include "core/sim/simulated_chip.h"
#include "tests/core/sim/manual_clock.h"
#include "tests/support/bridge_emulator.h"

namespace {

// Plays the system's HID devices: the emulators that are plugged in, by path.
class FakeHidSystem final : public HidSystem {
public:
    struct Plugged {
        HidDeviceInfo info;
        BridgeEmulator* device;
    };
    std::vector<Plugged> plugged;
    std::string failure;  // set: the system cannot be asked

    std::string enumerateFailure() const override { return failure; }
    std::vector<HidDeviceInfo> enumerate(
        std::span<const std::pair<std::uint16_t, std::uint16_t>>) override {
        std::vector<HidDeviceInfo> infos;
        for (const Plugged& p : plugged) infos.push_back(p.info);
        return infos;
    }
    std::unique_ptr<HidDevice> open(const std::string& path, int& error,
                                    std::string& reason) override {
        for (const Plugged& p : plugged) {
            if (p.info.path == path) {
                error = 0;
                return std::make_unique<Handle>(*p.device);
            }
        }
        error = -ENOENT;
        reason = "no such device";
        return nullptr;
    }

private:
    // The opened device; the emulator stays the test's.
    struct Handle final : HidDevice {
        explicit Handle(BridgeEmulator& d) : device(d) {}
        int write(std::span<const std::uint8_t> r) override { return device.write(r); }
        int read(std::span<std::uint8_t> b, int t) override { return device.read(b, t); }
        int getFeature(std::span<std::uint8_t> b) override { return device.getFeature(b); }
        int sendFeature(std::span<const std::uint8_t> r) override { return device.sendFeature(r); }
        BridgeEmulator& device;
    };
};

HidDeviceInfo info(const std::string& path, const HidBridgeModel& model, const std::string& serial,
                   const std::string& driver = "") {
    return {path, model.vendorId, model.productId, serial, model.kind, "1-1", driver};
}

std::int32_t call(Talvex& adapter, std::int32_t selector, std::int16_t a, std::int16_t b,
                  std::int16_t& c) {
    return adapter.transfer(selector, a, b, c);
}

std::string listed(Talvex& adapter) {
    std::int32_t count = 0;
    std::string names;
    adapter.listFreeDevices(1, count, names);
    return names;
}

struct HidAdapterTest : ::testing::Test {
    SimulatedChip chip;
    Cp2112Emulator cp2112{chip, 0x20, 3};
    Mcp2221Emulator mcp2221{chip, 0x20, 2};
    std::shared_ptr<FakeHidSystem> system = std::make_shared<FakeHidSystem>();

    HidAdapterTest() {
        system->plugged = {{info("/dev/hidraw0", kCp2112, "ABC"), &cp2112},
                           {info("/dev/hidraw1", kMcp2221, ""), &mcp2221}};
    }
    std::unique_ptr<HidAdapter> make(const std::string& select, const std::string& pulse = "",
                                     bool includeBound = true) {
        return std::make_unique<HidAdapter>(select, pulse, system, nullptr, includeBound);
    }
};

}  // namespace

TEST_F(HidAdapterTest, BridgesAreNamedBySerialOrPathAndChosenByEither) {
    Cp2112Emulator bound{chip, 0x20, -1};
    system->plugged.push_back({info("/dev/hidraw2", kCp2112, "XYZ", "cp2112"), &bound});
    EXPECT_EQ(listed(*make("hid")), "hid:ABC,hid:/dev/hidraw1,hid:XYZ");
    EXPECT_EQ(listed(*make("hid", "", false)), "hid:ABC,hid:/dev/hidraw1")
        << "a bridge with its kernel driver is left to its i2c-dev bus";
    EXPECT_EQ(listed(*make("hid:/dev/hidraw0")), "hid:ABC");
    EXPECT_EQ(listed(*make("hid:XYZ")), "hid:XYZ");

    auto none = make("hid:NOPE");
    EXPECT_EQ(listed(*none), "");
    EXPECT_NE(none->lastFailure().find("hid:NOPE"), std::string::npos);
    EXPECT_LT(none->open("hid:NOPE"), 0);

    // An empty list names what was looked for, and a system that could not be asked says so.
    const auto plugged = std::exchange(system->plugged, {});
    auto nothing = make("hid");
    EXPECT_EQ(listed(*nothing), "");
    EXPECT_EQ(nothing->lastFailure(),
              "no CP2112 (USB 10C4:EA90) or MCP2221 (USB 04D8:00DD) bridge found");
    system->failure = "resolve DLL functions";
    EXPECT_EQ(listed(*nothing), "");
    EXPECT_NE(nothing->lastFailure().find("cannot be listed (resolve DLL functions)"),
              std::string::npos)
        << nothing->lastFailure();
    system->failure.clear();
    system->plugged = plugged;

    // Two bridges that share a serial are told apart by their paths.
    system->plugged[2].info.serial = "ABC";
    EXPECT_EQ(listed(*make("hid")), "hid:/dev/hidraw0,hid:/dev/hidraw1,hid:/dev/hidraw2");

    auto adapter = make("hid");
    ASSERT_EQ(adapter->open("hid:/dev/hidraw1"), 0) << adapter->lastFailure();
    std::int16_t data = 0;
    EXPECT_EQ(call(*adapter, Talvex::kSelectorRead, 0x20, 0x0A, data), 0);
    EXPECT_EQ(mcp2221.divider, 12000000 / 100000 - 3) << "configured when opened";
    EXPECT_EQ(call(*adapter, Talvex::kSelectorRead, 0x80, 0x0A, data), -EINVAL);
}

TEST_F(HidAdapterTest, TheVoltagePinIsOffFromOpenToCloseExceptWhenAskedOn) {
    for (auto [name, pin, bridge] :
         {std::tuple<const char*, const char*, BridgeEmulator*>{"hid:ABC", "hid:3", &cp2112},
          {"hid:/dev/hidraw1", "hid:2", &mcp2221}}) {
        SCOPED_TRACE(name);
        const int n = pin[4] - '0';
        auto adapter = make("hid", pin);
        ASSERT_EQ(adapter->open(name), 0) << adapter->lastFailure();
        if (auto* cp = dynamic_cast<Cp2112Emulator*>(bridge)) {
            EXPECT_TRUE(cp->direction & (1 << n)) << "an output from the open on";
        } else {
            EXPECT_FALSE(mcp2221.pins[n].input) << "an output from the open on";
        }
        EXPECT_FALSE(bridge->pinDrivesHigh(n));
        std::string reason;
        EXPECT_EQ(adapter->holdPulseLine(reason), 0) << reason;

        std::int16_t c = 0;
        EXPECT_EQ(call(*adapter, Talvex::kSelectorPulse, 1, 0, c), 0) << adapter->lastFailure();
        EXPECT_TRUE(chip.programmingVoltage());
        EXPECT_EQ(call(*adapter, Talvex::kSelectorPulse, 0, 0, c), 0);
        EXPECT_FALSE(chip.programmingVoltage());
        EXPECT_EQ(call(*adapter, Talvex::kSelectorPulse, 2, 0, c), -EINVAL);

        EXPECT_EQ(call(*adapter, Talvex::kSelectorPulse, 1, 0, c), 0);
        adapter->close();
        EXPECT_FALSE(chip.programmingVoltage()) << "close switches it off";
    }

    // The MCP2221 has four pins only; the open says so and leaves it closed.
    auto adapter = make("hid", "hid:5");
    EXPECT_EQ(adapter->open("hid:/dev/hidraw1"), -EINVAL);
    EXPECT_NE(adapter->lastFailure().find("GP0 to GP3"), std::string::npos);
    std::int16_t data = 0;
    EXPECT_EQ(call(*adapter, Talvex::kSelectorRead, 0x20, 0x0A, data), -EBADF);

    // Without a pin the voltage cannot be had, and the reason names the option.
    auto unwired = make("hid");
    ASSERT_EQ(unwired->open("hid:ABC"), 0);
    std::string reason;
    EXPECT_NE(unwired->holdPulseLine(reason), 0);
    EXPECT_NE(reason.find("--pulse-gpio hid:N"), std::string::npos);
}

TEST_F(HidAdapterTest, AnUnpluggedBridgeIsLetGoAndTakenBackBySerial) {
    auto adapter = make("hid", "hid:3");
    ASSERT_EQ(adapter->open("hid:ABC"), 0);
    cp2112.faults.unplugged = true;
    system->plugged.erase(system->plugged.begin());
    std::int16_t data = 0;
    EXPECT_EQ(call(*adapter, Talvex::kSelectorRead, 0x20, 0x00, data), -ENODEV);
    EXPECT_NE(adapter->lastFailure().find("stopped answering"), std::string::npos);
    EXPECT_EQ(call(*adapter, Talvex::kSelectorRead, 0x20, 0x00, data), -EBADF)
        << "the gone device is not asked again";
    std::int16_t c = 0;
    EXPECT_NE(call(*adapter, Talvex::kSelectorPulse, 0, 0, c), 0)
        << "an off that cannot be given is not reported as given";

    // Back under another node.
    cp2112.faults.unplugged = false;
    system->plugged.push_back({info("/dev/hidraw7", kCp2112, "ABC"), &cp2112});
    EXPECT_EQ(listed(*adapter), "hid:/dev/hidraw1,hid:ABC");
    ASSERT_EQ(adapter->open("hid:ABC"), 0) << adapter->lastFailure();
    EXPECT_EQ(call(*adapter, Talvex::kSelectorRead, 0x20, 0x00, data), 0);
}

TEST_F(HidAdapterTest, TheDefaultListsBusesFirstAndOpensEachByItsOwnBackEnd) {
    // A stand-in for the i2c-dev back-end with one bus.
    struct OneBus final : Talvex {
        std::string opened;
        std::int32_t listFreeDevices(std::int32_t, std::int32_t& count,
                                     std::string& names) override {
            count = 1;
            names = "/dev/i2c-4";
            return 0;
        }
        std::int32_t open(const std::string& name) override {
            opened = name;
            return 0;
        }
        void close() override { opened.clear(); }
        std::int32_t transfer(std::int32_t, std::int16_t&, std::int16_t&, std::int16_t&) override {
            return opened.empty() ? -EBADF : 0;
        }
    };
    auto bus = std::make_unique<OneBus>();
    OneBus& i2c = *bus;
    UsbAdapters adapters(std::move(bus), make("hid", "", false));
    EXPECT_EQ(listed(adapters), "/dev/i2c-4,hid:ABC,hid:/dev/hidraw1");
    ASSERT_EQ(adapters.open("hid:ABC"), 0);
    EXPECT_TRUE(i2c.opened.empty());
    std::int16_t data = 0;
    EXPECT_EQ(call(adapters, Talvex::kSelectorRead, 0x20, 0x01, data), 0);
    ASSERT_EQ(adapters.open("/dev/i2c-4"), 0);
    EXPECT_EQ(i2c.opened, "/dev/i2c-4");
}

TEST(HidAdapterOptions, TheBridgePinIsCheckedBeforeAnythingOpens) {
    const std::map<std::pair<std::string, std::string>, bool> cases = {
        {{"hid", "hid:7"}, true},  {{"hid:ABC", "hid:0"}, true},   {{"i2c-dev", "hid:3"}, true},
        {{"hid", "hid:8"}, false}, {{"hid", "hid:x"}, false},      {{"/dev/i2c-3", "hid:3"}, false},
        {{"sim", "hid:3"}, false}, {{"hid", "gpiochip0:5"}, true}, {{"hid:", ""}, false},
    };
    for (const auto& [given, ok] : cases) {
        AdapterOptions options;
        options.adapter = given.first;
        options.pulseGpio = given.second;
        std::string adapter = options.adapter;
        const std::string why = resolveAdapterName(adapter).empty() ? checkAdapterOptions(options)
                                                                    : "not an adapter name";
        EXPECT_EQ(why.empty(), ok) << given.first << " " << given.second << ": " << why;
    }
}

namespace {

class ClockedHost final : public eeprom::ProgrammingHost {
public:
    explicit ClockedHost(ManualClock& clock) : clock_(clock) {}
    void wait(double seconds) override {
        clock_.advance(std::chrono::milliseconds(static_cast<long>(seconds * 1000)));
    }
    void setProgressShown(bool) override {}
    void setProgress(int) override {}
    void setVgoodLamp(bool) override {}
    void message(std::string_view text, std::string_view, eeprom::MessageIcon) override {
        messages.emplace_back(text);
    }
    eeprom::ConversionOutcome compose(eeprom::EepromImage& image) override {
        image = page;
        return eeprom::ConversionOutcome::Written;
    }
    eeprom::EepromImage page{0x2B, 0x5A, 0x96, 0x13, 0xC4};
    std::vector<std::string> messages;

private:
    ManualClock& clock_;
};

}  // namespace

// The whole programming sequence through each bridge, the voltage on the bridge's own pin.
TEST(HidAdapterProgramming, EachBridgeBurnsTheEepromWithTheVoltageOnItsPin) {
    for (const HidBridgeModel& model : {kCp2112, kMcp2221}) {
        SCOPED_TRACE(model.kind);
        ManualClock clock;
        SimulatedChip chip(SimulatedChip::kDefaultEeprom, clock.clock());
        Cp2112Emulator cp2112{chip, 0x20, 6};
        Mcp2221Emulator mcp2221{chip, 0x20, 1};
        BridgeEmulator& device = model.kind == kCp2112.kind ? static_cast<BridgeEmulator&>(cp2112)
                                                            : static_cast<BridgeEmulator&>(mcp2221);
        auto system = std::make_shared<FakeHidSystem>();
        system->plugged = {{info("/dev/hidraw0", model, "S1"), &device}};
        frmUSB bus(std::make_unique<HidAdapter>(
            "hid", model.kind == kCp2112.kind ? "hid:6" : "hid:1", system, nullptr));
        ASSERT_TRUE(bus.OpenFirstFreeDevice()) << bus.Talvex1().lastFailure();

        ClockedHost host(clock);
        eeprom::EepromProgrammer programmer(host, Communication(bus));
        EXPECT_EQ(programmer.run(), eeprom::ProgramResult::Success)
            << (host.messages.empty() ? "" : host.messages.front());
        EXPECT_EQ(chip.eeprom(), host.page);
        EXPECT_FALSE(chip.armed());
        EXPECT_FALSE(chip.programmingVoltage());
        EXPECT_FALSE(bus.voltageMayBeOn());
    }
}
