#include "task/UniformRandom.h"

#include <chrono>

namespace quelvar {

std::uint32_t clockSeed()
{
    // The steady clock counts nanoseconds since boot, so its low 32 bits
    // change every few seconds through their whole range and two program
    // starts never see the same value, much like a performance counter.
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch();
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(ticks).count();
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(nanoseconds));
}

}  // namespace quelvar
