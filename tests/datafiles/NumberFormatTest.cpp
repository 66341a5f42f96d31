#include "datafiles/NumberFormat.h"

#include <gtest/gtest.h>

#include <charconv>
#include <limits>

namespace quelvar {
namespace {

TEST(FixedWriter, WritesEachValueToItsDecimalsInItsField)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double value;
        int decimals, width;
        const char* text;
    } cases[] = {
        // Halves go away from zero.
        {5.625, 2, 0, "5.63"}, {-5.625, 2, 0, "-5.63"}, {1.0625, 3, 0, "1.063"},
        {0.125, 2, 0, "0.13"}, {0.005, 2, 0, "0.01"}, {2.5, 0, 0, "3"},
        // 1000.005 is stored as 1000.00499999999999545...; to 18 digits that is
        // 1000.00500000000000, a half, which goes up. printf would round down.
        {1000.005, 2, 0, "1000.01"},
        // Stored below the half by more than the 18th digit: stays down.
        {2.675, 2, 0, "2.67"},
        // Carries run through nines into a new digit.
        {9.996, 2, 0, "10.00"},
        {-999.9999, 3, 0, "-1000.000"},
        {0.9996, 3, 10, "     1.000"},
        // Negative values that round to zero keep their sign.
        {-0.001, 2, 0, "-0.00"}, {-0.004999, 2, 10, "     -0.00"}, {-1e-300, 4, 0, "-0.0000"},
        {0.0, 2, 0, "0.00"}, {-0.0, 2, 0, "0.00"}, {1e-300, 2, 0, "0.00"},
        // Small values get zeros before their digits.
        {0.001, 6, 10, "  0.001000"}, {0.02, 6, 10, "  0.020000"}, {0.0496, 2, 0, "0.05"},
        {0.000049, 4, 0, "0.0000"}, {0.00005, 4, 0, "0.0001"},
        // Right-aligned; a full field widens.
        {2.5, 4, 10, "    2.5000"}, {-56.78, 2, 10, "    -56.78"},
        {123456789.5, 2, 10, "123456789.50"}, {-12345678.0, 2, 10, "-12345678.00"},
        // Values that are not finite are named.
        {nan, 2, 10, "       nan"}, {inf, 2, 0, "inf"}, {-inf, 2, 6, "  -inf"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " to " << c.decimals << " in " << c.width);
        EXPECT_EQ(formatFixed(c.value, c.decimals, c.width).toStdString(), c.text);
    }
}

TEST(FixedWriter, HugeValuesAreWrittenWithAllTheirIntegerDigits)
{
    const QByteArray text = formatFixed(1e300, 2, 10);
    // 1e300 is stored as 1.00000000000000005250...e300: its 18 significant
    // digits, then zeros up to the point.
    EXPECT_EQ(text, QByteArray("100000000000000005") + QByteArray(283, '0') + ".00");
    const QByteArray largest = formatFixed(-std::numeric_limits<double>::max(), 2, 0);
    EXPECT_EQ(largest.left(19), "-179769313486231571");
    EXPECT_EQ(largest.size(), 1 + 309 + 3);
    // Stored as 123456789012345683968.
    EXPECT_EQ(formatFixed(123456789012345678901.0, 1, 0), "123456789012345684000.0");
}

TEST(FixedWriter, AgreesWithCorrectRoundingAwayFromHalves)
{
    // Values at least 0.0002 away from a half round the same way whatever the
    // rule for halves, so the standard library's correctly rounded text is a
    // fair second opinion for them.
    for (int i = -200000; i <= 200000; i += 7) {
        const double value = i / 1000.0 + 0.0003;
        char expected[64];
        const auto end = std::to_chars(expected, expected + sizeof expected, value,
                                       std::chars_format::fixed, 2).ptr;
        ASSERT_EQ(formatFixed(value, 2, 0), QByteArray(expected, end - expected)) << "value " << value;
    }
}

TEST(IntegerWriter, RightAlignsAndWidensAndBothWritersAppendToWhatIsThere)
{
    QByteArray line("x");
    appendFixed(line, 1.5, 1, 4);
    appendInteger(line, -7, 3);
    EXPECT_EQ(line, "x 1.5 -7");
    EXPECT_EQ(formatInteger(3, 8), "       3");
    EXPECT_EQ(formatInteger(-3, 8), "      -3");
    EXPECT_EQ(formatInteger(3600, 6), "  3600");
    EXPECT_EQ(formatInteger(1234567890, 6), "1234567890");
    EXPECT_EQ(formatInteger(std::numeric_limits<std::int64_t>::min(), 0), "-9223372036854775808");
}

}  // namespace
}  // namespace quelvar
