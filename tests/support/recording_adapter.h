#pragma once
// The tests' one fake adapter: a register file behind the bus (or a real back-end the calls
// pass on to) that records every call as a `--trace` line without the time column:
// "read 05 3C rc=0", "write 0B 71 rc=0", "pulse 1 0 0 rc=0", "open fake rc=0", "close".
// A test holds the FakeChip; the bus owns the adapter.

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/adapters/trace_adapter.h"
#include "core/link/communication.h"
#include "core/link/frm_usb.h"
#include "core/link/talvex.h"

struct FakeChip {
    static constexpr int kAlways = -1;

    std::array<std::uint8_t, 256> registers{};
    std::vector<std::string> log;

    // Faults. A failed read leaves the caller's byte alone unless failedReadsDeliver is set.
    std::map<int, int> failReads;  // address -> next reads that fail, or kAlways
    std::map<std::uint8_t, std::uint8_t> readOverride;  // reads give this, whatever was written
    std::int32_t readResult = 0;                        // of every read
    bool failedReadsDeliver = false;
    std::int32_t writeResult = 0;
    std::int32_t voltageOnResult = 0;  // of a pulse that switches the voltage on
    std::int32_t pulseResult = 0;      // of every pulse
    std::int32_t holdResult = 0;       // of holdPulseLine
    std::int32_t listCount = 1;
    std::string listNames = "fake";
    std::int32_t listResult = 0;
    std::int32_t openResult = 0;

    bool voltageOn = false;
    std::int16_t device = -1;       // the device address of the last byte transfer
    std::unique_ptr<Talvex> inner;  // when set, calls go there (and faults still apply)
    std::function<void()> beforeTransfer;
    std::function<void()> afterTransfer;  // once the call has reached the chip (or the inner)

    // Every read of these registers fails from now on; none of the others.
    void silence(std::initializer_list<int> addresses) {
        failReads.clear();
        for (const int a : addresses) failReads[a] = kAlways;
    }
    void note(const std::string& line) { log.push_back(line); }
    // Only the lines that start with `prefix` ("read ", "write 0B", "pulse ").
    std::vector<std::string> lines(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& l : log) {
            if (l.rfind(prefix, 0) == 0) out.push_back(l);
        }
        return out;
    }
    // The register addresses of the reads or writes, in order.
    std::vector<int> reads() const { return addresses("read "); }
    std::vector<int> writes() const { return addresses("write "); }
    std::vector<int> addresses(const std::string& kind) const {
        std::vector<int> out;
        for (const auto& l : lines(kind))
            out.push_back(std::stoi(l.substr(kind.size(), 2), nullptr, 16));
        return out;
    }
};

// The expected lines, for tests that spell them out.
inline std::string readLine(int address, int data, int rc = 0) {
    return trace::transferLine(Talvex::kSelectorRead, 0, static_cast<std::int16_t>(address), 0,
                               static_cast<std::int16_t>(data), rc);
}
inline std::string writeLine(int address, int data, int rc = 0) {
    return trace::transferLine(Talvex::kSelectorWrite, 0, static_cast<std::int16_t>(address), 0,
                               static_cast<std::int16_t>(data), rc);
}

class RecordingAdapter final : public Talvex {
public:
    explicit RecordingAdapter(std::shared_ptr<FakeChip> chip) : chip_(std::move(chip)) {}

    std::int32_t listFreeDevices(std::int32_t kind, std::int32_t& count,
                                 std::string& names) override {
        std::int32_t rc = chip_->listResult;
        if (chip_->inner) {
            rc = chip_->inner->listFreeDevices(kind, count, names);
        } else {
            count = chip_->listCount;
            names = chip_->listNames;
        }
        chip_->note(trace::listLine(count, names, rc));
        return rc;
    }
    std::int32_t open(const std::string& name) override {
        const std::int32_t rc = chip_->inner ? chip_->inner->open(name) : chip_->openResult;
        chip_->note(trace::openLine(name, rc));
        return rc;
    }
    void close() override {
        if (chip_->inner) chip_->inner->close();
        chip_->note(trace::kCloseLine);
    }
    std::int32_t holdPulseLine(std::string& reason) override {
        if (chip_->holdResult != 0) reason = "GPIO gpiochip2:3 is in use by another program";
        return chip_->holdResult;
    }
    std::int32_t transfer(std::int32_t selector, std::int16_t& a, std::int16_t& b,
                          std::int16_t& c) override {
        if (chip_->beforeTransfer) chip_->beforeTransfer();
        const std::int16_t a0 = a, b0 = b, c0 = c;
        if (selector != kSelectorPulse) chip_->device = a;
        const std::int32_t rc = serve(selector, a, b, c);
        chip_->note(trace::transferLine(selector, a0, b0, c0, c, rc));
        if (chip_->afterTransfer) chip_->afterTransfer();
        return rc;
    }

private:
    std::int32_t serve(std::int32_t selector, std::int16_t& a, std::int16_t& b, std::int16_t& c) {
        FakeChip& f = *chip_;
        const auto reg = static_cast<std::uint8_t>(b);
        if (selector == kSelectorRead) {
            std::int32_t rc = f.readResult;
            if (auto it = f.failReads.find(reg); it != f.failReads.end() && it->second != 0) {
                if (it->second > 0) --it->second;
                rc = -1;
            }
            if (rc != 0 && !f.failedReadsDeliver) return rc;
            if (f.inner) {
                const std::int32_t innerRc = f.inner->transfer(selector, a, b, c);
                if (rc == 0) rc = innerRc;
            } else {
                c = f.registers[reg];
            }
            if (auto over = f.readOverride.find(reg); over != f.readOverride.end())
                c = over->second;
            return rc;
        }
        if (selector == kSelectorWrite) {
            if (f.writeResult != 0) return f.writeResult;
            if (f.inner) return f.inner->transfer(selector, a, b, c);
            f.registers[reg] = static_cast<std::uint8_t>(c);
            return 0;
        }
        if (a != 0 && f.voltageOnResult != 0) return f.voltageOnResult;
        if (f.pulseResult != 0) return f.pulseResult;
        const std::int32_t rc = f.inner ? f.inner->transfer(selector, a, b, c) : 0;
        if (rc == 0) f.voltageOn = a != 0;
        return rc;
    }

    std::shared_ptr<FakeChip> chip_;
};

// A bus over a fake chip, or over `inner` with every call recorded. Opened unless asked not
// to; the open's lines are not kept, so the log starts with what the test does.
struct FakeBus {
    explicit FakeBus(std::unique_ptr<Talvex> inner = nullptr, bool open = true)
        : chip(makeChip(std::move(inner))), bus(std::make_unique<RecordingAdapter>(chip)) {
        if (!open) return;
        bus.OpenFirstFreeDevice();
        chip->log.clear();
    }
    Communication comm() { return Communication(bus); }

    std::shared_ptr<FakeChip> chip;
    frmUSB bus;

private:
    static std::shared_ptr<FakeChip> makeChip(std::unique_ptr<Talvex> inner) {
        auto chip = std::make_shared<FakeChip>();
        chip->inner = std::move(inner);
        return chip;
    }
};
