#include "core/adapters/trace_adapter.h"

#include <cmath>

#include "core/base/native_path.h"
#include "core/link/miscellaneous.h"

namespace {
const auto kProgramStart = std::chrono::steady_clock::now();

// Register addresses and data travel as 16-bit values; the line shows the byte the caller
// sees, always two digits.
std::string hex(std::int16_t v) {
    return Miscellaneous::ByteToHex(static_cast<std::uint8_t>(v));
}

// "S.sss" with a decimal point whatever the locale: printf would follow LC_NUMERIC, which
// the window system sets from the user's environment.
std::string secondsText(double seconds) {
    const long long ms = seconds > 0 ? std::llround(seconds * 1000.0) : 0;
    std::string frac = std::to_string(ms % 1000);
    frac.insert(0, 3 - frac.size(), '0');
    return std::to_string(ms / 1000) + "." + frac;
}
}  // namespace

double TraceAdapter::secondsSinceStart() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - kProgramStart).count();
}

TraceAdapter::TraceAdapter(std::unique_ptr<Talvex> inner, const std::string& path, Clock clock)
    : inner_(std::move(inner)),
      file_(openFile(path, "wb")),  // binary: the same bytes on every system
      clock_(clock ? std::move(clock) : Clock(&TraceAdapter::secondsSinceStart)) {}

TraceAdapter::~TraceAdapter() {
    if (file_) std::fclose(file_);
}

void TraceAdapter::line(const std::string& text) {
    if (!file_) return;
    const std::string out = secondsText(clock_()) + " " + text + "\n";
    std::fputs(out.c_str(), file_);
    std::fflush(file_);
}

namespace trace {

std::string listLine(std::int32_t count, const std::string& names, std::int32_t rc) {
    return "list " + std::to_string(count) + " " + names + " rc=" + std::to_string(rc);
}

std::string openLine(const std::string& name, std::int32_t rc) {
    return "open " + name + " rc=" + std::to_string(rc);
}

std::string transferLine(std::int32_t selector, std::int16_t a, std::int16_t b, std::int16_t c,
                         std::int16_t cAfter, std::int32_t rc) {
    const std::string tail = " rc=" + std::to_string(rc);
    switch (selector) {
        case Talvex::kSelectorRead:
            return "read " + hex(b) + " " + hex(cAfter) + tail;
        case Talvex::kSelectorWrite:
            return "write " + hex(b) + " " + hex(cAfter) + tail;
        default:
            return "pulse " + std::to_string(a) + " " + std::to_string(b) + " " +
                   std::to_string(c) + tail;
    }
}

}  // namespace trace

std::int32_t TraceAdapter::listFreeDevices(std::int32_t kind, std::int32_t& count,
                                           std::string& names) {
    const std::int32_t rc = inner_->listFreeDevices(kind, count, names);
    line(trace::listLine(count, names, rc));
    return rc;
}

std::int32_t TraceAdapter::open(const std::string& name) {
    const std::int32_t rc = inner_->open(name);
    line(trace::openLine(name, rc));
    return rc;
}

void TraceAdapter::close() {
    inner_->close();
    line(trace::kCloseLine);
}

std::int32_t TraceAdapter::transfer(std::int32_t selector, std::int16_t& a, std::int16_t& b,
                                    std::int16_t& c) {
    const std::int16_t a0 = a, b0 = b, c0 = c;
    const std::int32_t rc = inner_->transfer(selector, a, b, c);
    line(trace::transferLine(selector, a0, b0, c0, c, rc));
    return rc;
}
