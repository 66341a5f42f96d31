#include "common/Rounding.h"

#include <gtest/gtest.h>

#include <limits>

namespace quelvar {
namespace {

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour)
{
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
    EXPECT_EQ(roundHalfEven(-0.5), 0);
    EXPECT_EQ(roundHalfEven(-1.5), -2);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
}

TEST(RoundHalfEven, NonHalvesGoToTheNearest)
{
    EXPECT_EQ(roundHalfEven(2.4999999999999996), 2);
    EXPECT_EQ(roundHalfEven(2.5000000000000004), 3);
    EXPECT_EQ(roundHalfEven(-2.51), -3);
    EXPECT_EQ(roundHalfEven(-0.49), 0);
    EXPECT_EQ(roundHalfEven(4503599627370497.0), 4503599627370497);  // 2^52 + 1, odd
}

TEST(RoundHalfEven, ValuesOutsideTheIntegerRangeAreSafe)
{
    constexpr auto max = std::numeric_limits<std::int64_t>::max();
    constexpr auto min = std::numeric_limits<std::int64_t>::min();
    EXPECT_EQ(roundHalfEven(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(roundHalfEven(1e300), max);
    EXPECT_EQ(roundHalfEven(-1e300), min);
    EXPECT_EQ(roundHalfEven(std::numeric_limits<double>::infinity()), max);
    EXPECT_EQ(roundHalfEven(-std::numeric_limits<double>::infinity()), min);
    EXPECT_EQ(roundHalfEven(-9223372036854775808.0), min);
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
