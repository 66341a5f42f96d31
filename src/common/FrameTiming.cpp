#include "common/FrameTiming.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>

namespace quelvar {

void FrameTiming::noteFrame(std::int64_t frameCounter, std::int64_t ticks)
{
    if (frameCounter < 0 || frameCounter > kRunFrames)
        return;
    ticks_[static_cast<std::size_t>(frameCounter)] = ticks;
    // A plain clock reading: no time zone work and no allocation in a frame.
    if (frameCounter == 1)
        wallStartMs_ = QDateTime::currentMSecsSinceEpoch();
    else if (frameCounter == kRunFrames)
        wallEndMs_ = QDateTime::currentMSecsSinceEpoch();
}

FrameIntervalStats FrameTiming::stats(std::int64_t frequency) const
{
    FrameIntervalStats s;
    if (frequency <= 0)
        return s;
    std::array<std::int64_t, kRunFrames> intervals;
    for (int i = 1; i <= kRunFrames; ++i) {
        intervals[std::size_t(i - 1)] = intervalTicks(i);
        if (isLateInterval(intervalTicks(i), frequency))
            ++s.lateFrames;
    }
    // The sum of whole ticks is exact; only the quotients are rounded.
    const std::int64_t total = ticks(kRunFrames) - ticks(0);
    const double mean = double(total) / kRunFrames;
    double squares = 0.0;
    for (const std::int64_t v : intervals)
        squares += (double(v) - mean) * (double(v) - mean);
    const auto [lo, hi] = std::minmax_element(intervals.begin(), intervals.end());
    s.minMs = ticksToMs(*lo, frequency);
    s.maxMs = ticksToMs(*hi, frequency);
    s.meanMs = mean * 1000.0 / double(frequency);
    s.sdMs = std::sqrt(squares / (kRunFrames - 1)) * 1000.0 / double(frequency);
    s.durationS = double(total) / double(frequency);
    const auto rank = intervals.begin() + (kRunFrames * 99 + 99) / 100 - 1;
    std::nth_element(intervals.begin(), rank, intervals.end());
    s.p99Ms = ticksToMs(*rank, frequency);
    return s;
}

}  // namespace quelvar
