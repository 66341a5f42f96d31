#include "common/FrameTiming.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>

namespace quelvar {
namespace {

// Plain readings that neither allocate nor wait: /proc/loadavg and the
// process's own clock.
double loadAverage()
{
    double load = -1.0;
    return getloadavg(&load, 1) == 1 ? load : -1.0;
}

std::int64_t processCpuNs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

}  // namespace

void FrameTiming::noteFrame(std::int64_t frameCounter, std::int64_t ticks, std::int64_t wallClockNs)
{
    if (frameCounter < 0 || frameCounter > kRunFrames)
        return;
    ticks_[static_cast<std::size_t>(frameCounter)] = ticks;
    if (frameCounter == 1) {
        wallStartNs_ = wallClockNs;
        loadStart_ = loadAverage();
        cpuStartNs_ = processCpuNs();
    } else if (frameCounter == kRunFrames) {
        wallEndNs_ = wallClockNs;
        loadEnd_ = loadAverage();
        cpuEndNs_ = processCpuNs();
    }
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
