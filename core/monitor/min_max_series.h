#pragma once
// One trace of the plot over a run of any length in bounded memory: samples fall into
// time buckets, each keeping its first, lowest, highest and last value, so a spike of a
// single sample stays visible however far the plot is zoomed out. When the buckets
// exceed the limit, their width doubles and neighbours merge.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace monitor {

struct PlotPoint {
    double seconds;
    double value;  // NaN: the trace breaks here (no answer)
};

class MinMaxSeries {
public:
    // `maxBuckets`: about the plot's width in pixels; `firstWidth`: the starting bucket width
    // in seconds, below the fastest sampling interval so that short runs keep every sample.
    explicit MinMaxSeries(std::size_t maxBuckets = 1024, double firstWidth = 0.025);

    // Samples come in time order; an empty value is a gap.
    void add(double seconds, std::optional<double> value);
    // The trace in time order, at most four points and one break per bucket.
    std::vector<PlotPoint> points() const;

    std::size_t bucketCount() const { return buckets_.size(); }
    double bucketWidth() const { return width_; }

private:
    struct Bucket {
        std::int64_t index;
        PlotPoint first, low, high, last;
        bool hasValue;
        std::optional<double> gapAt;  // the first gap in the bucket
    };
    void mergePairs();

    std::vector<Bucket> buckets_;
    std::size_t maxBuckets_;
    double width_;
};

}  // namespace monitor
