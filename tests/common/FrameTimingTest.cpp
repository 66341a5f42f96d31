// The statistics of a run's frame intervals, on runs of two interval lengths
// whose mean, sample SD and nearest-rank 99th percentile follow in closed form.
#include "common/FrameTiming.h"
#include "support/SyntheticRuns.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quelvar {
namespace {

TEST(FrameTiming, StatisticsOfRunsWithSomeLongIntervalsAndNoneWithoutAClock)
{
    struct Case {
        const char* what;
        std::int64_t frequency;  // ticks per second
        std::int64_t base;       // ticks of an ordinary interval
        std::int64_t longer;     // ticks of a long one
        int longCount;           // frames 1 ... longCount-1 and 3600 are long
        int late;
    };
    const Case cases[] = {
        {"all even", 600, 10, 10, 0, 0},
        {"one long, late", 600, 10, 20, 1, 1},
        {"exactly 20 ms is on time", 600, 10, 12, 5, 0},
        // The 99th percentile is the 3564th of 3600: with 36 long intervals
        // it is still an ordinary one, with 37 a long one.
        {"36 long", 600, 10, 13, 36, 36},
        {"37 long", 600, 10, 13, 37, 37},
        {"nanosecond clock", 1000000000, 16666667, 33333333, 200, 200},
    };
    const double n = kRunFrames;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::int64_t start = 987654321012;
        const auto timing = test::frameTimes(
            [&](int i) {
                return i < c.longCount || (c.longCount > 0 && i == kRunFrames) ? c.longer : c.base;
            },
            start);
        const std::int64_t ticks = timing->ticks(kRunFrames);
        const FrameIntervalStats s = timing->stats(c.frequency);
        const double ms = 1000.0 / double(c.frequency);
        const double k = c.longCount, step = double(c.longer - c.base);
        EXPECT_NEAR(s.meanMs, (double(c.base) + k * step / n) * ms, 1e-9);
        // k intervals `step` longer than n - k others: the squares about the
        // mean sum to k (n - k) step^2 / n, and the SD divides by n - 1.
        EXPECT_NEAR(s.sdMs, step * std::sqrt(k * (n - k) / (n * (n - 1))) * ms, 1e-12);
        EXPECT_DOUBLE_EQ(s.minMs, double(c.base) * ms);
        EXPECT_DOUBLE_EQ(s.maxMs, double(c.longCount > 0 ? c.longer : c.base) * ms);
        EXPECT_DOUBLE_EQ(s.p99Ms, double(c.longCount >= 37 ? c.longer : c.base) * ms);
        EXPECT_EQ(s.lateFrames, c.late);
        EXPECT_DOUBLE_EQ(s.durationS, double(ticks - start) / double(c.frequency));
        // Without a clock there are no statistics.
        EXPECT_EQ(timing->stats(0).meanMs, 0.0);
        EXPECT_EQ(timing->stats(0).lateFrames, 0);
    }
}

}  // namespace
}  // namespace quelvar
