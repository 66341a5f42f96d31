#pragma once
// Runs and their frame times made up for tests (the model's own runs are in
// ModelRuns.h), and the bit comparison results are held to.
// RunRecord is large: the runs live on the heap.
#include "common/FrameTiming.h"
#include "common/RunRecord.h"

#include <cmath>
#include <cstring>
#include <memory>

namespace quelvar::test {

// The same double to the bit: tells 0.0 from -0.0, and a NaN equals itself.
inline bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// A target on a sine wave and a mouse on a smaller one `lag` frames behind;
// Error is Target - Mouse, as a loaded run has it.
struct SineRun {
    double target = 300.0;
    double mouse = 280.0;
    double period = 120.0;  // frames per radian
    int lag = 15;
    double phase = 0.0;
};
inline std::unique_ptr<RunRecord> sineRun(const SineRun& s = {})
{
    auto run = std::make_unique<RunRecord>();
    for (int i = 1; i <= kRunFrames; ++i) {
        run->Target[i] = s.target * std::sin(i / s.period + s.phase);
        run->Mouse[i] = s.mouse * std::sin((i - s.lag) / s.period + s.phase);
        run->Error[i] = run->Target[i] - run->Mouse[i];
    }
    return run;
}

// A run's frame stamps: frame 0 at `start`, each later frame `interval(frame)`
// ticks after the one before.
template <class Interval>
std::unique_ptr<FrameTiming> frameTimes(Interval interval, std::int64_t start = 0)
{
    auto timing = std::make_unique<FrameTiming>();
    timing->noteFrame(0, start);
    for (int i = 1; i <= kRunFrames; ++i)
        timing->noteFrame(i, start += interval(i));
    return timing;
}

}  // namespace quelvar::test
