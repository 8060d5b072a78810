#pragma once
// Plays a --sim-scenario on the simulated chip behind an adapter: the clock starts when the
// adapter is first opened, and every call first applies the steps that are due, so what a
// read sees matches the script to the millisecond without a thread of its own.

#include <memory>

#include "core/link/talvex.h"
#include "core/sim/sim_scenario.h"

class ScenarioAdapter final : public Talvex {
public:
    ScenarioAdapter(std::unique_ptr<Talvex> inner, std::unique_ptr<SimScenarioPlayer> player);

    std::int32_t listFreeDevices(std::int32_t kind, std::int32_t& count,
                                 std::string& names) override;
    std::int32_t open(const std::string& name) override;
    void close() override;
    std::int32_t transfer(std::int32_t selector, std::int16_t& a, std::int16_t& b,
                          std::int16_t& c) override;

private:
    std::unique_ptr<Talvex> inner_;
    std::unique_ptr<SimScenarioPlayer> player_;
};
