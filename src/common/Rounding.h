#pragma once
// Round to nearest, halves to the even neighbour, defined for every double.
// The program rounds delays, references, pixel rows and spinner positions from
// values that an automatic fit or a file may have pushed far out of range, so
// NaN maps to 0 and values beyond the integer range saturate instead of
// reaching undefined behaviour.
#include <cmath>
#include <cstdint>
#include <limits>

namespace quelvar {

inline std::int64_t roundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    // 2^63 is exactly representable; anything at or beyond it saturates.
    constexpr double kLimit = 9223372036854775808.0;
    if (value >= kLimit)
        return std::numeric_limits<std::int64_t>::max();
    if (value < -kLimit)
        return std::numeric_limits<std::int64_t>::min();
    // Within range the conversion truncates towards zero, as std::trunc does
    // (which is a library call on plain x86-64, and graphs round 21600 values
    // a frame). The difference is exact for doubles.
    const auto whole = static_cast<std::int64_t>(value);
    const double fraction = value - static_cast<double>(whole);
    // Which way a value rounds is as good as random, so the tests are combined
    // without branches that would mostly be mispredicted.
    const bool odd = (whole & 1) != 0;
    const int up = (fraction > 0.5) | ((fraction == 0.5) & odd);
    const int down = (fraction < -0.5) | ((fraction == -0.5) & odd);
    return whole + up - down;
}

// Round and then hold within [lo, hi].
inline std::int64_t roundHalfEvenClamped(double value, std::int64_t lo, std::int64_t hi)
{
    const std::int64_t r = roundHalfEven(value);
    return r < lo ? lo : (r > hi ? hi : r);
}

inline std::int32_t roundToInt32(double value)
{
    return static_cast<std::int32_t>(roundHalfEvenClamped(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace quelvar
