#pragma once
// A fake adapter for window tests: it records every call and answers from its own 256
// registers, or passes the calls on to another back-end (the simulator). Reads can be made
// to fail the way a silent bus does: nonzero result, data left untouched.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/link/frm_usb.h"
#include "core/link/talvex.h"

struct BusCall {
    std::int32_t selector;
    std::int16_t a, b, c;  // c as it stands after the call
    std::int32_t rc;
};

// What a test holds on to while frmUSB owns the adapter.
struct FakeBus {
    std::vector<BusCall> calls;
    std::array<std::uint8_t, 256> registers{};
    std::set<int> silentRegisters;  // reads of these fail and leave the data untouched
    std::unique_ptr<Talvex> inner;  // when set, transfers go here instead
    std::function<void(const BusCall&)> onTransfer;

    std::vector<int> reads() const { return addresses(Talvex::kSelectorRead); }
    std::vector<int> writes() const { return addresses(Talvex::kSelectorWrite); }
    std::vector<std::pair<int, int>> writtenBytes() const {
        std::vector<std::pair<int, int>> out;
        for (const BusCall& call : calls) {
            if (call.selector == Talvex::kSelectorWrite) out.emplace_back(call.b, call.c);
        }
        return out;
    }
    std::vector<int> addresses(std::int32_t selector) const {
        std::vector<int> out;
        for (const BusCall& call : calls) {
            if (call.selector == selector) out.push_back(call.b);
        }
        return out;
    }
};

class RecordingAdapter final : public Talvex {
public:
    explicit RecordingAdapter(std::shared_ptr<FakeBus> bus) : bus_(std::move(bus)) {}

    std::int32_t listFreeDevices(std::int32_t kind, std::int32_t& count,
                                 std::string& names) override {
        if (bus_->inner) return bus_->inner->listFreeDevices(kind, count, names);
        count = 1;
        names = "fake";
        return 0;
    }
    std::int32_t open(const std::string& name) override {
        return bus_->inner ? bus_->inner->open(name) : 0;
    }
    void close() override {
        if (bus_->inner) bus_->inner->close();
    }
    std::int32_t transfer(std::int32_t selector, std::int16_t& a, std::int16_t& b,
                          std::int16_t& c) override {
        std::int32_t rc = 0;
        if (selector == kSelectorRead && bus_->silentRegisters.count(b) != 0) {
            rc = -1;
        } else if (bus_->inner) {
            rc = bus_->inner->transfer(selector, a, b, c);
        } else if (selector == kSelectorRead) {
            c = bus_->registers[static_cast<std::uint8_t>(b)];
        } else if (selector == kSelectorWrite) {
            bus_->registers[static_cast<std::uint8_t>(b)] = static_cast<std::uint8_t>(c);
        }
        bus_->calls.push_back({selector, a, b, c, rc});
        if (bus_->onTransfer) bus_->onTransfer(bus_->calls.back());
        return rc;
    }

private:
    std::shared_ptr<FakeBus> bus_;
};

// Installs a fresh recording adapter as the program's one adapter and opens it.
inline std::shared_ptr<FakeBus> installFakeBus(std::unique_ptr<Talvex> inner = nullptr) {
    auto bus = std::make_shared<FakeBus>();
    bus->inner = std::move(inner);
    frmUSB::SetFactory([bus] { return std::make_unique<RecordingAdapter>(bus); });
    frmUSB::Reset();
    frmUSB::Get().OpenFirstFreeDevice();
    return bus;
}
