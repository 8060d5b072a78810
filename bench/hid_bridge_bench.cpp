// One byte transfer through the hid back-end and each bridge's report protocol, with the
// bridge's device side emulated in-process: the host's own cost per transfer and the reports
// it exchanges (USB time comes on top: about 1 ms a report on a full-speed bus).
#include <benchmark/benchmark.h>

#include "core/adapters/hid_adapter.h"
#include "core/sim/simulated_chip.h"
#include "tests/support/bridge_emulator.h"

namespace {

// The one emulated bridge, plugged in.
class OneBridge final : public HidSystem {
public:
    OneBridge(BridgeEmulator& device, const HidBridgeModel& model)
        : device_(device), model_(model) {}
    std::vector<HidDeviceInfo> enumerate(
        std::span<const std::pair<std::uint16_t, std::uint16_t>>) override {
        return {{"/dev/hidraw0", model_.vendorId, model_.productId, "B1", model_.kind, "", ""}};
    }
    std::unique_ptr<HidDevice> open(const std::string&, int& error, std::string&) override {
        error = 0;
        return std::make_unique<Handle>(device_);
    }

private:
    struct Handle final : HidDevice {
        explicit Handle(BridgeEmulator& d) : device(d) {}
        int write(std::span<const std::uint8_t> r) override { return device.write(r); }
        int read(std::span<std::uint8_t> b, int t) override { return device.read(b, t); }
        int getFeature(std::span<std::uint8_t> b) override { return device.getFeature(b); }
        int sendFeature(std::span<const std::uint8_t> r) override { return device.sendFeature(r); }
        BridgeEmulator& device;
    };
    BridgeEmulator& device_;
    HidBridgeModel model_;
};

template <typename Emulator>
void transfer(benchmark::State& state, const HidBridgeModel& model, std::int32_t selector) {
    SimulatedChip chip;
    Emulator emulator(chip, 0x20, -1);
    HidAdapter adapter("hid", "", std::make_shared<OneBridge>(emulator, model), nullptr);
    if (adapter.open("hid:B1") != 0) {
        state.SkipWithError(adapter.lastFailure().c_str());
        return;
    }
    emulator.log.clear();
    std::int16_t data = 0x84;
    for (auto _ : state) {
        std::int16_t device = 0x20, reg = 0x01;
        benchmark::DoNotOptimize(adapter.transfer(selector, device, reg, data));
        if (emulator.log.size() > 4096) emulator.log.clear();
    }
    emulator.log.clear();
    std::int16_t device = 0x20, reg = 0x01;
    adapter.transfer(selector, device, reg, data);
    state.counters["reports"] = static_cast<double>(emulator.log.size());
}

void BM_Cp2112Read(benchmark::State& s) {
    transfer<Cp2112Emulator>(s, kCp2112, Talvex::kSelectorRead);
}
void BM_Cp2112Write(benchmark::State& s) {
    transfer<Cp2112Emulator>(s, kCp2112, Talvex::kSelectorWrite);
}
void BM_Mcp2221Read(benchmark::State& s) {
    transfer<Mcp2221Emulator>(s, kMcp2221, Talvex::kSelectorRead);
}
void BM_Mcp2221Write(benchmark::State& s) {
    transfer<Mcp2221Emulator>(s, kMcp2221, Talvex::kSelectorWrite);
}

}  // namespace

BENCHMARK(BM_Cp2112Read);
BENCHMARK(BM_Cp2112Write);
BENCHMARK(BM_Mcp2221Read);
BENCHMARK(BM_Mcp2221Write);
BENCHMARK_MAIN();
