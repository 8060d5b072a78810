#include "core/sim/scenario_adapter.h"

ScenarioAdapter::ScenarioAdapter(std::unique_ptr<Talvex> inner,
                                 std::unique_ptr<SimScenarioPlayer> player)
    : inner_(std::move(inner)), player_(std::move(player)) {}

std::int32_t ScenarioAdapter::listFreeDevices(std::int32_t kind, std::int32_t& count,
                                              std::string& names) {
    player_->advance();
    return inner_->listFreeDevices(kind, count, names);
}

std::int32_t ScenarioAdapter::open(const std::string& name) {
    player_->start();
    return inner_->open(name);
}

void ScenarioAdapter::close() {
    inner_->close();
}

std::int32_t ScenarioAdapter::transfer(std::int32_t selector, std::int16_t& a, std::int16_t& b,
                                       std::int16_t& c) {
    player_->advance();
    return inner_->transfer(selector, a, b, c);
}
