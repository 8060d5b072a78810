// Cost of the register access layer per transfer, apart from the adapter behind it, and with
// the simulator behind it.
#include <benchmark/benchmark.h>

#include <memory>

#include "core/link/communication.h"
#include "core/link/frm_usb.h"
#include "core/sim/sim_adapter.h"

namespace {

// An adapter that answers at once, so that only the layer's own work is measured.
class InstantAdapter final : public Talvex {
public:
    std::int32_t listFreeDevices(std::int32_t, std::int32_t& count, std::string& names) override {
        count = 1;
        names = "instant";
        return 0;
    }
    std::int32_t open(const std::string&) override { return 0; }
    void close() override {}
    std::int32_t transfer(std::int32_t, std::int16_t&, std::int16_t&, std::int16_t& c) override {
        benchmark::DoNotOptimize(c);
        return 0;
    }
};

std::unique_ptr<frmUSB> openBus(std::unique_ptr<Talvex> adapter) {
    auto bus = std::make_unique<frmUSB>(std::move(adapter));
    bus->OpenFirstFreeDevice();
    bus->setStatusListener([](std::string_view text) { benchmark::DoNotOptimize(text); });
    return bus;
}

void BM_ReadRegister_LayerOnly(benchmark::State& state) {
    const auto bus = openBus(std::make_unique<InstantAdapter>());
    const Communication comm(*bus);
    std::uint8_t data = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(comm.ReadRegister(0x05, data));
    }
}
BENCHMARK(BM_ReadRegister_LayerOnly);

void BM_WriteRegister_LayerOnly(benchmark::State& state) {
    const auto bus = openBus(std::make_unique<InstantAdapter>());
    const Communication comm(*bus);
    for (auto _ : state) comm.WriteRegister(0x05, 0x12);
}
BENCHMARK(BM_WriteRegister_LayerOnly);

void BM_ReadRegister_Simulator(benchmark::State& state) {
    const auto bus = openBus(std::make_unique<SimAdapter>(std::make_shared<SimulatedChip>()));
    const Communication comm(*bus);
    std::uint8_t data = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(comm.ReadRegister(0x0A, data));
    }
}
BENCHMARK(BM_ReadRegister_Simulator);

}  // namespace

BENCHMARK_MAIN();
