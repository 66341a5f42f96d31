#include "common/Rounding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace quelvar {
namespace {

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbourOthersToTheNearestAndOutOfRangeValuesAreSafe)
{
    constexpr auto max = std::numeric_limits<std::int64_t>::max();
    constexpr auto min = std::numeric_limits<std::int64_t>::min();
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    // The doubles either side of 2.5, and 2^52 + 1: odd, and exact as a double.
    const double below = std::nextafter(2.5, 0.0);
    const double above = std::nextafter(2.5, 3.0);
    constexpr std::int64_t odd = (std::int64_t(1) << 52) + 1;
    const std::pair<double, std::int64_t> cases[] = {
        {0.5, 0},   {1.5, 2},     {2.5, 2},      {3.5, 4},    {-0.5, 0},   {-1.5, -2},
        {-2.5, -2}, {below, 2},   {above, 3},    {-2.51, -3}, {-0.49, 0},  {double(odd), odd},
        {nan, 0},   {1e300, max}, {-1e300, min}, {inf, max},  {-inf, min}, {double(min), min},
    };
    for (const auto& [value, rounded] : cases)
        EXPECT_EQ(roundHalfEven(value), rounded) << testing::PrintToString(value);
}

TEST(RoundHalfEven, ClampedFormsHoldTheirRange)
{
    EXPECT_EQ(roundHalfEvenClamped(600.0, 0, 500), 500);
    EXPECT_EQ(roundHalfEvenClamped(-0.6, 0, 16), 0);
    EXPECT_EQ(roundHalfEvenClamped(16.5, 0, 16), 16);
    EXPECT_EQ(roundToInt32(1e300), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(roundToInt32(-1e300), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(roundToInt32(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(roundToInt32(-100.5), -100);
}

}  // namespace
}  // namespace quelvar
