#pragma once
// A fake adapter for the window tests: a plain register file behind the bus that records
// every transfer as text ("R01=85" read, "W01=84" write, "P1" programming voltage,
// "R01 failed" a read that was made to fail).

#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "core/link/talvex.h"

struct RecordedBus {
    std::array<std::uint8_t, 256> registers{};
    QStringList log;
    // How many of the next reads of each address fail; they leave the data as it was.
    std::array<int, 256> failReads{};
    // Called before each transfer is served, to look at the program's state at that moment.
    std::function<void()> onTransfer;

    static QString read(int address, int data) { return entry('R', address, data); }
    static QString failedRead(int address) { return entry('R', address, 0).left(3) + " failed"; }
    static QString write(int address, int data) { return entry('W', address, data); }

private:
    static QString entry(char op, int address, int data) {
        return QStringLiteral("%1%2=%3")
            .arg(QLatin1Char(op))
            .arg(address, 2, 16, QLatin1Char('0'))
            .arg(data, 2, 16, QLatin1Char('0'))
            .toUpper();
    }
};

class RecordingAdapter final : public Talvex {
public:
    explicit RecordingAdapter(std::shared_ptr<RecordedBus> bus) : bus_(std::move(bus)) {}

    std::int32_t listFreeDevices(std::int32_t, std::int32_t& count, std::string& names) override {
        count = 1;
        names = "fake";
        return 0;
    }
    std::int32_t open(const std::string&) override { return 0; }
    void close() override {}
    std::int32_t transfer(std::int32_t selector, std::int16_t& a, std::int16_t& b,
                          std::int16_t& c) override {
        if (bus_->onTransfer) bus_->onTransfer();
        auto& cell = bus_->registers[static_cast<std::uint8_t>(b)];
        int& failures = bus_->failReads[static_cast<std::uint8_t>(b)];
        if (selector == kSelectorRead && failures > 0) {
            --failures;
            bus_->log << RecordedBus::failedRead(b);
            return -1;
        }
        if (selector == kSelectorRead) {
            c = cell;
            bus_->log << RecordedBus::read(b, c);
        } else if (selector == kSelectorWrite) {
            cell = static_cast<std::uint8_t>(c);
            bus_->log << RecordedBus::write(b, c);
        } else {
            bus_->log << QStringLiteral("P%1").arg(a);
        }
        return 0;
    }

private:
    std::shared_ptr<RecordedBus> bus_;
};
