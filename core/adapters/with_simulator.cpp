#include "core/adapters/with_simulator.h"

#include "core/sim/sim_adapter.h"

WithSimulator::WithSimulator(std::unique_ptr<Talvex> hardware, std::shared_ptr<SimulatedChip> chip)
    : hardware_(std::move(hardware)),
      simulator_(std::make_unique<SimAdapter>(std::move(chip))),
      current_(hardware_.get()) {}

WithSimulator::~WithSimulator() = default;

std::int32_t WithSimulator::listFreeDevices(std::int32_t kind, std::int32_t& count,
                                            std::string& names) {
    return hardware_->listFreeDevices(kind, count, names);
}

std::int32_t WithSimulator::open(const std::string& name) {
    Talvex* wanted = name == kSimulatorName ? simulator_.get() : hardware_.get();
    // One side at a time: the one left behind is closed, whatever it held.
    if (wanted != current_) current_->close();
    current_ = wanted;
    return current_->open(name == kSimulatorName ? SimAdapter::kDeviceName : name);
}

void WithSimulator::close() {
    current_->close();
}

std::int32_t WithSimulator::transfer(std::int32_t selector, std::int16_t& a, std::int16_t& b,
                                     std::int16_t& c) {
    return current_->transfer(selector, a, b, c);
}

std::string WithSimulator::lastFailure() const {
    return current_->lastFailure();
}

std::int32_t WithSimulator::holdPulseLine(std::string& reason) {
    return current_->holdPulseLine(reason);
}
