// The plot's bounded traces: short runs keep every sample, long runs keep their extremes,
// and a failed read is a break in the line, never a value.

#include "core/monitor/min_max_series.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using monitor::MinMaxSeries;
using monitor::PlotPoint;

TEST(MinMaxSeries, AShortRunKeepsEverySample) {
    MinMaxSeries series(1024);
    for (int i = 0; i < 10; ++i) series.add(i * 0.05, i % 3);
    const std::vector<PlotPoint> points = series.points();
    ASSERT_EQ(points.size(), 10U);
    for (int i = 0; i < 10; ++i) {
        EXPECT_DOUBLE_EQ(points[i].seconds, i * 0.05);
        EXPECT_EQ(points[i].value, i % 3);
    }
}

TEST(MinMaxSeries, ASingleSampleSpikeSurvivesADayAtTenHertz) {
    MinMaxSeries series(1000);
    constexpr int kSamples = 864'000;
    constexpr int kSpike = 543'210;
    for (int i = 0; i < kSamples; ++i) series.add(i * 0.1, i == kSpike ? 1.0 : 0.0);
    EXPECT_LE(series.bucketCount(), 1000U);
    const std::vector<PlotPoint> points = series.points();
    EXPECT_LE(points.size(), 4000U);
    const auto spike = std::find_if(points.begin(), points.end(),
                                    [](const PlotPoint& p) { return p.value == 1.0; });
    ASSERT_NE(spike, points.end());
    EXPECT_NEAR(spike->seconds, kSpike * 0.1, 1e-6);
    EXPECT_TRUE(std::is_sorted(points.begin(), points.end(),
                               [](const auto& a, const auto& b) { return a.seconds < b.seconds; }));
}

TEST(MinMaxSeries, AGapIsABreakNotAZeroAtAnyZoom) {
    for (std::size_t buckets : {1024U, 4U}) {
        MinMaxSeries series(buckets);
        for (int i = 0; i < 40; ++i) {
            series.add(i * 0.1, i == 17 ? std::nullopt : std::optional<double>(5.0));
        }
        const std::vector<PlotPoint> points = series.points();
        EXPECT_EQ(std::count_if(points.begin(), points.end(),
                                [](const PlotPoint& p) { return std::isnan(p.value); }),
                  1)
            << buckets;
        EXPECT_TRUE(std::none_of(points.begin(), points.end(), [](const PlotPoint& p) {
            return p.value == 0.0;
        })) << buckets;
    }
}

}  // namespace
