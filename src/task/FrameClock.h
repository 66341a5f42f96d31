#pragma once
// The clock the 60 Hz pacing spins on. The program reads a monotonic
// nanosecond timer; tests hand in a clock they advance themselves, so the
// state machine can be driven frame by frame without waiting.
#include <QElapsedTimer>
#include <cstdint>

namespace quelvar {

class FrameClock {
public:
    virtual ~FrameClock() = default;
    virtual std::int64_t now() = 0;        // ticks
    virtual std::int64_t frequency() = 0;  // ticks per second
};

class ElapsedFrameClock final : public FrameClock {
public:
    ElapsedFrameClock() { timer_.start(); }
    std::int64_t now() override { return timer_.nsecsElapsed(); }
    std::int64_t frequency() override { return 1000000000; }

private:
    QElapsedTimer timer_;
};

}  // namespace quelvar
