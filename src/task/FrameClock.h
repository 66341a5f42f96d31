#pragma once
// The clock the 60 Hz pacing waits on. The program reads the monotonic clock
// in nanoseconds and sleeps on it; tests hand in a clock they advance
// themselves, so the state machine can be driven frame by frame without
// waiting.
#include <cstdint>

namespace quelvar {

class FrameClock {
public:
    virtual ~FrameClock() = default;
    virtual std::int64_t now() = 0;        // ticks
    virtual std::int64_t frequency() = 0;  // ticks per second
    // Sleeps until the clock reads `ticks` or later (at once when it already does).
    virtual void sleepUntil(std::int64_t ticks) = 0;
    // Wall-clock nanoseconds since the Unix epoch. Read straight after the
    // now() that ends a wait, the pair lines this clock's readings up with
    // other instruments' clocks.
    virtual std::int64_t wallClockNs() = 0;
};

// CLOCK_MONOTONIC as it stands (nanoseconds since boot), the clock that
// QElapsedTimer and the kernel's input event stamps read, and absolute
// deadlines on it, which a late wake-up cannot push back.
class MonotonicFrameClock final : public FrameClock {
public:
    std::int64_t now() override;
    std::int64_t frequency() override { return 1000000000; }
    void sleepUntil(std::int64_t ticks) override;
    std::int64_t wallClockNs() override;
};

}  // namespace quelvar
