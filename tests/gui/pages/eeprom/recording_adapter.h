#pragma once
// A fake adapter for tests: a plain register file behind the bus that records every call
// as one line ("W 0B=71", "R 00", "V on", "V off"), with faults a test can switch on.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/link/frm_usb.h"
#include "core/link/miscellaneous.h"
#include "core/link/talvex.h"

struct RecordingBus {
    std::array<std::uint8_t, 256> registers{};
    std::vector<std::string> log;
    std::map<std::uint8_t, std::uint8_t> readOverride;  // read gives this, whatever was written
    std::set<std::uint8_t> failingReads;                // read fails and leaves the byte alone
    std::int32_t voltageOnResult = 0;
    std::int32_t holdResult = 0;  // of holdPulseLine
    bool voltageOn = false;

    void note(const std::string& line) { log.push_back(line); }
    // Only the lines that start with `prefix` ("W ", "R ", "V ").
    std::vector<std::string> lines(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& l : log) {
            if (l.rfind(prefix, 0) == 0) out.push_back(l);
        }
        return out;
    }
};

class RecordingAdapter final : public Talvex {
public:
    explicit RecordingAdapter(std::shared_ptr<RecordingBus> bus) : bus_(std::move(bus)) {}

    std::int32_t listFreeDevices(std::int32_t, std::int32_t& count, std::string& names) override {
        count = 1;
        names = "fake";
        return 0;
    }
    std::int32_t open(const std::string&) override { return 0; }
    void close() override { bus_->note("close"); }
    std::int32_t holdPulseLine(std::string& reason) override {
        if (bus_->holdResult != 0) reason = "GPIO gpiochip2:3 is in use by another program";
        return bus_->holdResult;
    }
    std::int32_t transfer(std::int32_t selector, std::int16_t& a, std::int16_t& b,
                          std::int16_t& c) override {
        using Miscellaneous::ByteToHex;
        if (selector == kSelectorPulse) {
            bus_->note(a ? "V on" : "V off");
            if (a) {
                if (bus_->voltageOnResult != 0) return bus_->voltageOnResult;
                bus_->voltageOn = true;
            } else {
                bus_->voltageOn = false;
            }
            return 0;
        }
        const auto reg = static_cast<std::uint8_t>(b);
        if (selector == kSelectorWrite) {
            bus_->note("W " + ByteToHex(reg) + "=" + ByteToHex(static_cast<std::uint8_t>(c)));
            bus_->registers[reg] = static_cast<std::uint8_t>(c);
            return 0;
        }
        bus_->note("R " + ByteToHex(reg));
        if (bus_->failingReads.count(reg)) return -1;
        const auto over = bus_->readOverride.find(reg);
        c = over != bus_->readOverride.end() ? over->second : bus_->registers[reg];
        return 0;
    }

private:
    std::shared_ptr<RecordingBus> bus_;
};

// Installs a fresh recording adapter as Talvex1 and returns its bus.
inline std::shared_ptr<RecordingBus> installRecordingAdapter() {
    auto bus = std::make_shared<RecordingBus>();
    frmUSB::SetFactory([bus] { return std::make_unique<RecordingAdapter>(bus); });
    frmUSB::Reset();
    frmUSB::Get().OpenFirstFreeDevice();
    return bus;
}

// Records every call like RecordingAdapter, then hands it to a real back-end (the simulator).
class TapAdapter final : public Talvex {
public:
    TapAdapter(std::unique_ptr<Talvex> inner, std::shared_ptr<RecordingBus> bus)
        : inner_(std::move(inner)), bus_(std::move(bus)) {}

    std::int32_t listFreeDevices(std::int32_t kind, std::int32_t& count,
                                 std::string& names) override {
        return inner_->listFreeDevices(kind, count, names);
    }
    std::int32_t open(const std::string& name) override { return inner_->open(name); }
    void close() override {
        bus_->note("close");
        inner_->close();
    }
    std::int32_t transfer(std::int32_t selector, std::int16_t& a, std::int16_t& b,
                          std::int16_t& c) override {
        using Miscellaneous::ByteToHex;
        const auto reg = static_cast<std::uint8_t>(b);
        if (selector == kSelectorPulse) bus_->note(a ? "V on" : "V off");
        if (selector == kSelectorWrite)
            bus_->note("W " + ByteToHex(reg) + "=" + ByteToHex(static_cast<std::uint8_t>(c)));
        if (selector == kSelectorRead) bus_->note("R " + ByteToHex(reg));
        return inner_->transfer(selector, a, b, c);
    }

private:
    std::unique_ptr<Talvex> inner_;
    std::shared_ptr<RecordingBus> bus_;
};
