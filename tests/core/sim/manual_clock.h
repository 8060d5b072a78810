#pragma once
// A clock for the simulator that moves only when a test says so.

#include <chrono>
#include <memory>

#include "core/sim/simulated_chip.h"

class ManualClock {
public:
    SimulatedChip::Clock clock() const {
        return [now = now_] { return *now; };
    }
    void advance(std::chrono::milliseconds ms) { *now_ += ms; }

private:
    std::shared_ptr<std::chrono::steady_clock::time_point> now_ =
        std::make_shared<std::chrono::steady_clock::time_point>();
};
