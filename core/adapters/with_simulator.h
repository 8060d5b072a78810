#pragma once
// A hardware back-end with the built-in simulator beside it, for the window program: the
// free devices are the hardware's, so that start-up opens real hardware or none, and the
// simulator opens only when asked for by its name, as "Connect" does for a first start
// without hardware. Every other call goes to whichever side was opened last.

#include <memory>

#include "core/link/talvex.h"

class SimulatedChip;

class WithSimulator final : public Talvex {
public:
    // The name that opens the simulator.
    static constexpr const char* kSimulatorName = "sim";

    WithSimulator(std::unique_ptr<Talvex> hardware, std::shared_ptr<SimulatedChip> chip);
    ~WithSimulator() override;

    std::int32_t listFreeDevices(std::int32_t kind, std::int32_t& count,
                                 std::string& names) override;
    std::int32_t open(const std::string& name) override;
    void close() override;
    std::int32_t transfer(std::int32_t selector, std::int16_t& a, std::int16_t& b,
                          std::int16_t& c) override;
    std::string lastFailure() const override;
    std::int32_t holdPulseLine(std::string& reason) override;

    bool simulatorOpen() const { return current_ == simulator_.get(); }

private:
    std::unique_ptr<Talvex> hardware_;
    std::unique_ptr<Talvex> simulator_;
    Talvex* current_;
};
