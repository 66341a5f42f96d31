#pragma once
// When each frame of a recorded run was drawn: the pacing clock's reading at
// the end of the wait before the frame, for the last lead-in frame (0) and the
// recorded frames 1 ... 3600, in storage fixed for the program's life so that
// noting a frame costs a store and never allocates. The end of a run turns the
// readings into intervals, late frames and their statistics.
#include "common/RunRecord.h"

#include <array>
#include <cstdint>

namespace quelvar {

inline constexpr int kFramesPerSecond = 60;
// A frame is late when its interval exceeds 1.2 nominal periods: 1.2 / 60 s,
// which is 1/50 s.
inline constexpr int kLateThresholdPerSecond = 50;

struct FrameIntervalStats {
    double meanMs = 0.0;
    double sdMs = 0.0;   // with n - 1, as R's sd() and pandas' std()
    double minMs = 0.0;
    double maxMs = 0.0;
    double p99Ms = 0.0;  // nearest rank: the 3564th of the 3600 sorted intervals
    int lateFrames = 0;
    double durationS = 0.0;  // last lead-in frame to frame 3600: the sum of the intervals
};

class FrameTiming {
public:
    // Called as frame `frameCounter` is recorded, with the clock reading that
    // ended the wait before it and the wall clock read with it (ns since the
    // epoch). Counters outside 0 ... 3600 are lead-in frames whose times
    // nobody needs. Frames 1 and 3600 also note the load average and the
    // process's processor time.
    void noteFrame(std::int64_t frameCounter, std::int64_t ticks, std::int64_t wallClockNs = 0);

    // Clock reading of frame 0 ... 3600.
    std::int64_t ticks(int frame) const { return ticks_[static_cast<std::size_t>(frame)]; }
    // Interval before recorded frame 1 ... 3600, in clock ticks.
    std::int64_t intervalTicks(int frame) const { return ticks(frame) - ticks(frame - 1); }
    // Wall-clock nanoseconds since the epoch at recorded frames 1 and 3600,
    // read with their clock readings: with ticks(1) and ticks(3600), the
    // anchor that lines the frame times up with other clocks.
    std::int64_t wallStartNs() const { return wallStartNs_; }
    std::int64_t wallEndNs() const { return wallEndNs_; }
    // The one-minute load average at frames 1 and 3600 (negative: unknown).
    double loadAverageStart() const { return loadStart_; }
    double loadAverageEnd() const { return loadEnd_; }
    // Processor time the process used from frame 1 to frame 3600, seconds.
    double processCpuS() const { return double(cpuEndNs_ - cpuStartNs_) / 1e9; }

    // Statistics of the 3600 intervals of a clock with `frequency` ticks per second.
    FrameIntervalStats stats(std::int64_t frequency) const;

private:
    std::array<std::int64_t, kRunFrames + 1> ticks_{};
    std::int64_t wallStartNs_ = 0;
    std::int64_t wallEndNs_ = 0;
    double loadStart_ = -1.0;
    double loadEnd_ = -1.0;
    std::int64_t cpuStartNs_ = 0;
    std::int64_t cpuEndNs_ = 0;
};

// Compared in whole ticks, so that a frame of exactly 20 ms is on time
// whatever the clock's frequency.
inline bool isLateInterval(std::int64_t intervalTicks, std::int64_t frequency)
{
    return intervalTicks * kLateThresholdPerSecond > frequency;
}

inline double ticksToMs(std::int64_t ticks, std::int64_t frequency)
{
    return double(ticks) * 1000.0 / double(frequency);
}

}  // namespace quelvar
