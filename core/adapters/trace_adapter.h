#pragma once
// Decorator that writes one line per adapter call, flushed at once, then calls through:
//   "<seconds> list N NAMES rc=R" | "open NAME rc=R" | "close" | "read AA DD rc=R"
//   | "write AA DD rc=R" | "pulse A B C rc=R"
// Seconds count from program start with three decimals; AA and DD are two upper-case hex
// digits (DD as it stands after the call); A, B, C are decimal.

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "core/link/talvex.h"

// The lines themselves, without the time column (tests log in the same format).
namespace trace {
std::string listLine(std::int32_t count, const std::string& names, std::int32_t rc);
std::string openLine(const std::string& name, std::int32_t rc);
inline constexpr const char* kCloseLine = "close";
// `a`, `b`, `c` as they went in; `cAfter` as the back-end left it.
std::string transferLine(std::int32_t selector, std::int16_t a, std::int16_t b, std::int16_t c,
                         std::int16_t cAfter, std::int32_t rc);
}  // namespace trace

class TraceAdapter final : public Talvex {
public:
    using Clock = std::function<double()>;  // seconds since program start

    // Opens `path` for writing; `ok()` tells whether that worked.
    TraceAdapter(std::unique_ptr<Talvex> inner, const std::string& path, Clock clock = {});
    ~TraceAdapter() override;
    TraceAdapter(const TraceAdapter&) = delete;
    TraceAdapter& operator=(const TraceAdapter&) = delete;

    bool ok() const { return file_ != nullptr; }

    std::int32_t listFreeDevices(std::int32_t kind, std::int32_t& count,
                                 std::string& names) override;
    std::int32_t open(const std::string& name) override;
    void close() override;
    std::int32_t transfer(std::int32_t selector, std::int16_t& a, std::int16_t& b,
                          std::int16_t& c) override;
    // Not a bus transfer: passed on without a line.
    std::string lastFailure() const override { return inner_->lastFailure(); }
    std::int32_t holdPulseLine(std::string& reason) override {
        return inner_->holdPulseLine(reason);
    }

    // Seconds since the process started (the first use of this clock in the program).
    static double secondsSinceStart();

private:
    void line(const std::string& text);

    std::unique_ptr<Talvex> inner_;
    std::FILE* file_ = nullptr;
    Clock clock_;
};
