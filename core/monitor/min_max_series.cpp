#include "core/monitor/min_max_series.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace monitor {
namespace {

constexpr double kBreak = std::numeric_limits<double>::quiet_NaN();

}  // namespace

MinMaxSeries::MinMaxSeries(std::size_t maxBuckets, double firstWidth)
    : maxBuckets_(std::max<std::size_t>(maxBuckets, 2)), width_(firstWidth) {
    buckets_.reserve(maxBuckets_ + 1);
}

void MinMaxSeries::add(double seconds, std::optional<double> value) {
    const auto index = static_cast<std::int64_t>(std::floor(seconds / width_));
    if (buckets_.empty() || buckets_.back().index != index) {
        buckets_.push_back(Bucket{index, {}, {}, {}, {}, false, std::nullopt});
    }
    Bucket& b = buckets_.back();
    if (!value) {
        if (!b.gapAt) b.gapAt = seconds;
    } else {
        const PlotPoint p{seconds, *value};
        if (!b.hasValue) {
            b.first = b.low = b.high = p;
            b.hasValue = true;
        } else {
            if (p.value < b.low.value) b.low = p;
            if (p.value > b.high.value) b.high = p;
        }
        b.last = p;
    }
    if (buckets_.size() > maxBuckets_) mergePairs();
}

void MinMaxSeries::mergePairs() {
    width_ *= 2;
    std::size_t out = 0;
    for (std::size_t i = 0; i < buckets_.size(); ++i) {
        Bucket b = buckets_[i];
        b.index = b.index >= 0 ? b.index / 2 : (b.index - 1) / 2;
        if (out > 0 && buckets_[out - 1].index == b.index) {
            Bucket& into = buckets_[out - 1];
            if (b.hasValue) {
                if (!into.hasValue) {
                    into.first = b.first;
                    into.low = b.low;
                    into.high = b.high;
                    into.hasValue = true;
                } else {
                    if (b.low.value < into.low.value) into.low = b.low;
                    if (b.high.value > into.high.value) into.high = b.high;
                }
                into.last = b.last;
            }
            if (!into.gapAt) into.gapAt = b.gapAt;
        } else {
            buckets_[out++] = b;
        }
    }
    buckets_.resize(out);
}

std::vector<PlotPoint> MinMaxSeries::points() const {
    std::vector<PlotPoint> out;
    out.reserve(buckets_.size() * 5);
    for (const Bucket& b : buckets_) {
        const std::size_t from = out.size();
        if (b.hasValue) {
            for (const PlotPoint& p : {b.first, b.low, b.high, b.last}) {
                const bool seen =
                    std::any_of(out.begin() + static_cast<std::ptrdiff_t>(from), out.end(),
                                [&](const PlotPoint& q) { return q.seconds == p.seconds; });
                if (!seen) out.push_back(p);
            }
        }
        if (b.gapAt) out.push_back({*b.gapAt, kBreak});
        std::sort(out.begin() + static_cast<std::ptrdiff_t>(from), out.end(),
                  [](const PlotPoint& x, const PlotPoint& y) { return x.seconds < y.seconds; });
    }
    return out;
}

}  // namespace monitor
