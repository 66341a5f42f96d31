#pragma once
// The program's only random generator: a 32-bit linear congruential generator.
#include <cstdint>

namespace quelvar {

class UniformRandom {
public:
    std::uint32_t GeneratorState = 0;

    // state := state x 134775813 + 1 (mod 2^32); returns state x 2^-32 in [0, 1).
    double next()
    {
        GeneratorState = GeneratorState * 134775813u + 1u;
        return static_cast<double>(GeneratorState) * 2.3283064365386963e-10;
    }

    void SeedGenerator(std::uint32_t seed) { GeneratorState = seed; }
};

// A 32-bit value that differs from one program start to the next (low bits of
// a nanosecond clock).
std::uint32_t clockSeed();

}  // namespace quelvar
