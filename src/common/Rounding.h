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
    const double whole = std::trunc(value);
    const double fraction = value - whole;  // exact for doubles
    auto result = static_cast<std::int64_t>(whole);
    if (fraction > 0.5 || (fraction == 0.5 && (result & 1) != 0))
        ++result;
    else if (fraction < -0.5 || (fraction == -0.5 && (result & 1) != 0))
        --result;
    return result;
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
