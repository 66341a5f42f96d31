#include "task/FrameClock.h"

#include <cerrno>
#include <ctime>

namespace quelvar {

std::int64_t MonotonicFrameClock::now()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

void MonotonicFrameClock::sleepUntil(std::int64_t ticks)
{
    const timespec deadline{time_t(ticks / 1000000000), long(ticks % 1000000000)};
    // A signal cuts the sleep short; the deadline stays where it was.
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
}

std::int64_t MonotonicFrameClock::wallClockNs()
{
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

}  // namespace quelvar
