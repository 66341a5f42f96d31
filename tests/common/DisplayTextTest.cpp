#include "common/DisplayText.h"

#include <gtest/gtest.h>

#include <limits>

namespace quelvar {
namespace {

TEST(DisplayText, IntegerFieldsAreRightAlignedAndWidenWhenFull)
{
    EXPECT_EQ(formatIntField(3, 3).view(), "  3");
    EXPECT_EQ(formatIntField(-12, 3).view(), "-12");
    EXPECT_EQ(formatIntField(3600, 4).view(), "3600");
    EXPECT_EQ(formatIntField(12345, 3).view(), "12345");
    EXPECT_EQ(formatIntField(std::numeric_limits<std::int64_t>::min(), 0).view(),
              "-9223372036854775808");
}

TEST(DisplayText, FixedFieldsRoundTheExactBinaryValue)
{
    EXPECT_EQ(formatPrintfFixed(9.843217, 3, 6).view(), " 9.843");
    EXPECT_EQ(formatPrintfFixed(123.4567, 3, 6).view(), "123.457");
    EXPECT_EQ(formatPrintfFixed(-0.0004, 3, 6).view(), "-0.000");
    // 2.675 is stored just below the half, so it rounds down, as printf does.
    EXPECT_EQ(formatPrintfFixed(2.675, 2, 0).view(), "2.67");
    EXPECT_EQ(formatPrintfFixed(0.125, 2, 0).view(), "0.12");
}

TEST(DisplayText, FixedFieldsShowNonFiniteValuesAndHugeOnesWhole)
{
    EXPECT_EQ(formatPrintfFixed(std::numeric_limits<double>::quiet_NaN(), 3, 6).view(), "   nan");
    EXPECT_EQ(formatPrintfFixed(std::numeric_limits<double>::infinity(), 3, 6).view(), "   inf");
    EXPECT_EQ(formatPrintfFixed(-std::numeric_limits<double>::infinity(), 3, 6).view(), "  -inf");
    const auto huge = formatPrintfFixed(-1e300, 3, 6);
    EXPECT_EQ(huge.size, 1 + 301 + 4);
    EXPECT_EQ(huge.view().substr(0, 2), "-1");
    EXPECT_EQ(huge.view().substr(huge.size - 4), ".000");
}

}  // namespace
}  // namespace quelvar
