#include "link/trace_adapter.h"

#include <cinttypes>

#include "link/miscellaneous.h"

namespace {
const auto kProgramStart = std::chrono::steady_clock::now();

std::string hex(std::int16_t v) { return Miscellaneous::ByteToHex(static_cast<std::uint16_t>(v)); }
}  // namespace

double TraceAdapter::secondsSinceStart() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - kProgramStart).count();
}

TraceAdapter::TraceAdapter(std::unique_ptr<Talvex> inner, const std::string& path, Clock clock)
    : inner_(std::move(inner)),
      file_(std::fopen(path.c_str(), "w")),
      clock_(clock ? std::move(clock) : Clock(&TraceAdapter::secondsSinceStart)) {}

TraceAdapter::~TraceAdapter() {
    if (file_) std::fclose(file_);
}

void TraceAdapter::line(const std::string& text) {
    if (!file_) return;
    std::fprintf(file_, "%.3f %s\n", clock_(), text.c_str());
    std::fflush(file_);
}

std::int32_t TraceAdapter::listFreeDevices(std::int32_t kind, std::int32_t& count,
                                           std::string& names) {
    const std::int32_t rc = inner_->listFreeDevices(kind, count, names);
    line("list " + std::to_string(count) + " " + names + " rc=" + std::to_string(rc));
    return rc;
}

std::int32_t TraceAdapter::open(const std::string& name) {
    const std::int32_t rc = inner_->open(name);
    line("open " + name + " rc=" + std::to_string(rc));
    return rc;
}

void TraceAdapter::close() {
    inner_->close();
    line("close");
}

std::int32_t TraceAdapter::transfer(std::int32_t selector, std::int16_t& a, std::int16_t& b,
                                    std::int16_t& c) {
    const std::int16_t a0 = a, b0 = b, c0 = c;
    const std::int32_t rc = inner_->transfer(selector, a, b, c);
    const std::string tail = " rc=" + std::to_string(rc);
    switch (selector) {
        case kSelectorRead:
            line("read " + hex(b0) + " " + hex(c) + tail);
            break;
        case kSelectorWrite:
            line("write " + hex(b0) + " " + hex(c) + tail);
            break;
        default:
            line("pulse " + std::to_string(a0) + " " + std::to_string(b0) + " " +
                 std::to_string(c0) + tail);
            break;
    }
    return rc;
}
