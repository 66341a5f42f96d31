#include "datafiles/TextReader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace quelvar {
namespace {

using namespace std::string_view_literals;
using Lines = std::vector<std::string_view>;
using Integers = std::vector<std::optional<std::int32_t>>;

// Every line up to the end (at most 100), and what a read there gives.
Lines linesOf(std::string_view text)
{
    TextReader reader(text);
    Lines lines;
    while (!reader.atEnd() && lines.size() < 100)
        lines.push_back(reader.readLine());
    lines.push_back(reader.readLine());
    return lines;
}

// The first `count` integers, one after the other; a read that fails gives none.
Integers integersOf(std::string_view text, int count = 1)
{
    TextReader reader(text);
    Integers values;
    for (std::int32_t value = 0; count-- > 0; value = 0)
        values.push_back(reader.readInteger(value) ? std::optional(value) : std::nullopt);
    return values;
}

TEST(TextReader, LinesEndAtLfCrLfOrALoneCrAndKeepTheirBlanks)
{
    // LF CR is two line ends.
    EXPECT_EQ(linesOf("one\ntwo\r\nthree\rfour\n\rsix"sv),
              (Lines{"one", "two", "three", "four", "", "six", ""}));
    EXPECT_EQ(linesOf(" a b \t\r\n"sv), (Lines{" a b \t", ""}));
}

TEST(TextReader, CtrlZEndsTheText)
{
    TextReader reader("12\x1A 34\r\n"sv);
    std::int32_t value = -1;
    ASSERT_TRUE(reader.readInteger(value));
    EXPECT_EQ(value, 12);
    EXPECT_TRUE(reader.atEnd());
    ASSERT_TRUE(reader.readInteger(value));
    EXPECT_EQ(value, 0);

    EXPECT_EQ(linesOf("a\r\n\x1Az\r\n"sv), (Lines{"a", ""}));
}

TEST(TextReader, NumbersAreSeparatedByAnyControlCharacterOrBlank)
{
    // DEL (127) is above 32, so it is a token of its own and no number.
    EXPECT_EQ(integersOf("  1\t-2\r\n\r\n\x01+3 \x7f"sv, 4), (Integers{1, -2, 3, std::nullopt}));
}

TEST(TextReader, ANumberAtTheEndReadsZero)
{
    TextReader reader("7  \r\n  "sv);
    std::int32_t i = 0;
    double r = 1.0;
    ASSERT_TRUE(reader.readInteger(i));
    EXPECT_EQ(i, 7);
    i = 99;
    ASSERT_TRUE(reader.readInteger(i));
    EXPECT_EQ(i, 0);
    ASSERT_TRUE(reader.readReal(r));
    EXPECT_EQ(r, 0.0);
}

TEST(TextReader, SkipLineDropsTheRestOfTheLine)
{
    TextReader reader("1 2 3\r\n4\n"sv);
    std::int32_t value = 0;
    ASSERT_TRUE(reader.readInteger(value));
    reader.skipLine();
    ASSERT_TRUE(reader.readInteger(value));
    EXPECT_EQ(value, 4);
    reader.skipLine();
    EXPECT_TRUE(reader.atEnd());
}

TEST(TextReader, NumbersMayComeFromLaterLines)
{
    TextReader reader("5\r\n\r\n   6.5\r\n"sv);
    std::int32_t i = 0;
    double r = 0.0;
    ASSERT_TRUE(reader.readInteger(i));
    ASSERT_TRUE(reader.readReal(r));
    EXPECT_EQ(i, 5);
    EXPECT_EQ(r, 6.5);
}

std::optional<double> realOf(std::string_view text)
{
    TextReader reader(text);
    double value = 0.0;
    if (!reader.readReal(value))
        return std::nullopt;
    return value;
}

TEST(TextReader, IntegersArePlainDecimalsThatFitIn32Bits)
{
    EXPECT_EQ(integersOf("+1"), Integers{1});
    EXPECT_EQ(integersOf("-0"), Integers{0});
    EXPECT_EQ(integersOf("007"), Integers{7});
    EXPECT_EQ(integersOf("2147483647"), Integers{2147483647});
    EXPECT_EQ(integersOf("-2147483648"), Integers{std::numeric_limits<std::int32_t>::min()});
    EXPECT_EQ(integersOf("000000000000000000000000042"), Integers{42});
    for (std::string_view bad : {"2147483648", "-2147483649", "99999999999999999999999", "1.0",
                                 "1e3", "0x10", "$10", "1,5", "12a", "-", "+", "--1", "+-1",
                                 "\xC2\xA0" "1"}) {
        EXPECT_EQ(integersOf(bad), Integers{std::nullopt}) << bad;
    }
}

TEST(TextReader, RealsTakeTheUsualDecimalForms)
{
    EXPECT_EQ(realOf("12.34"), 12.34);
    EXPECT_EQ(realOf("-56.78"), -56.78);
    EXPECT_EQ(realOf("+3"), 3.0);
    EXPECT_EQ(realOf("5."), 5.0);
    EXPECT_EQ(realOf(".5"), 0.5);
    EXPECT_EQ(realOf("-.5e1"), -5.0);
    EXPECT_EQ(realOf("1E+2"), 100.0);
    EXPECT_EQ(realOf("2.5e-3"), 0.0025);
    EXPECT_EQ(realOf("1.7976931348623157e308"), std::numeric_limits<double>::max());
    EXPECT_EQ(realOf("4.9e-324"), std::numeric_limits<double>::denorm_min());
}

TEST(TextReader, RealsTooSmallForADoubleReadAsZero)
{
    EXPECT_EQ(realOf("1e-400"), 0.0);
    EXPECT_EQ(realOf("123456e-330"), 0.0);
    const auto negative = realOf("-1e-99999999999999999999");
    ASSERT_TRUE(negative.has_value());
    EXPECT_EQ(*negative, 0.0);
    EXPECT_TRUE(std::signbit(*negative));
    EXPECT_EQ(realOf("0e99999"), 0.0);
}

TEST(TextReader, RealsRejectWhatIsNotAFiniteDecimal)
{
    for (std::string_view bad : {"nan", "NaN", "inf", "-Infinity", "0x1p3", "0x10", "1,5",
                                 "1.5abc", "1.2.3", ".", "-.", "e5", "1e", "1e+", "1e5.0",
                                 "1.5e3x", "1e400", "-1e400", "0.01e311", "12-3", "$1",
                                 "1\xB7" "5"}) {
        EXPECT_EQ(realOf(bad), std::nullopt) << bad;
    }
}

TEST(TextReader, AFailedReadDoesNotChangeTheValue)
{
    TextReader reader("abc"sv);
    std::int32_t i = 17;
    EXPECT_FALSE(reader.readInteger(i));
    EXPECT_EQ(i, 17);
    TextReader realReader("x1"sv);
    double r = 2.5;
    EXPECT_FALSE(realReader.readReal(r));
    EXPECT_EQ(r, 2.5);
}

}  // namespace
}  // namespace quelvar
