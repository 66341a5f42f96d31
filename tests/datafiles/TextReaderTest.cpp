#include "datafiles/TextReader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <locale>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace quelvar {
namespace {

using namespace std::string_view_literals;
using Reads = std::vector<std::string>;

// What a reader of `text` answers when asked, in turn, for each of `reads`:
// 'l' a line, 'i' an integer or 'r' a real (its value; "no" when the read
// fails and leaves the value as it was), 's' to skip the rest of the line
// (""), 'e' whether it is at the end ("end" or "more").
Reads readsOf(std::string_view text, std::string_view reads)
{
    TextReader reader(text);
    Reads answers;
    for (const char read : reads) {
        std::int32_t integer = 17;
        double real = 17.0;
        std::ostringstream answer;
        answer.imbue(std::locale::classic());
        if (read == 'l')
            answer << reader.readLine();
        else if (read == 'i' && reader.readInteger(integer))
            answer << integer;
        else if (read == 'r' && reader.readReal(real))
            answer << real;
        else if (read == 'i' || read == 'r')
            answer << (integer == 17 && real == 17.0 ? "no" : "no, but the value changed");
        else if (read == 'e')
            answer << (reader.atEnd() ? "end" : "more");
        else
            reader.skipLine();
        answers.push_back(answer.str());
    }
    return answers;
}

TEST(TextReader, LinesEndAtLfCrLfOrALoneCrAndKeepTheirBlanks)
{
    // LF CR is two line ends.
    EXPECT_EQ(readsOf("one\ntwo\r\nthree\rfour\n\rsix"sv, "lllllelel"),
              (Reads{"one", "two", "three", "four", "", "more", "six", "end", ""}));
    EXPECT_EQ(readsOf(" a b \t\r\n"sv, "le"), (Reads{" a b \t", "end"}));
}

TEST(TextReader, CtrlZEndsTheText)
{
    EXPECT_EQ(readsOf("12\x1A 34\r\n"sv, "iei"), (Reads{"12", "end", "0"}));
    EXPECT_EQ(readsOf("a\r\n\x1Az\r\n"sv, "le"), (Reads{"a", "end"}));
}

TEST(TextReader, NumbersAreSeparatedByAnyControlCharacterOrBlank)
{
    // DEL (127) is above 32, so it is a token of its own and no number.
    EXPECT_EQ(readsOf("  1\t-2\r\n\r\n\x01+3 \x7f"sv, "iiii"), (Reads{"1", "-2", "3", "no"}));
}

TEST(TextReader, ANumberAtTheEndReadsZero)
{
    EXPECT_EQ(readsOf("7  \r\n  "sv, "iir"), (Reads{"7", "0", "0"}));
}

TEST(TextReader, SkipLineDropsTheRestOfTheLine)
{
    EXPECT_EQ(readsOf("1 2 3\r\n4\n"sv, "isise"), (Reads{"1", "", "4", "", "end"}));
}

TEST(TextReader, NumbersMayComeFromLaterLines)
{
    EXPECT_EQ(readsOf("5\r\n\r\n   6.5\r\n"sv, "ir"), (Reads{"5", "6.5"}));
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
    EXPECT_EQ(readsOf("+1", "i"), Reads{"1"});
    EXPECT_EQ(readsOf("-0", "i"), Reads{"0"});
    EXPECT_EQ(readsOf("007", "i"), Reads{"7"});
    EXPECT_EQ(readsOf("2147483647", "i"), Reads{"2147483647"});
    EXPECT_EQ(readsOf("-2147483648", "i"), Reads{"-2147483648"});
    EXPECT_EQ(readsOf("000000000000000000000000042", "i"), Reads{"42"});
    for (std::string_view bad : {"2147483648", "-2147483649", "99999999999999999999999", "1.0",
                                 "1e3", "0x10", "$10", "1,5", "12a", "-", "+", "--1", "+-1",
                                 "\xC2\xA0" "1"}) {
        EXPECT_EQ(readsOf(bad, "i"), Reads{"no"}) << bad;
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
    EXPECT_EQ(readsOf("abc"sv, "i"), Reads{"no"});
    EXPECT_EQ(readsOf("x1"sv, "r"), Reads{"no"});
}

}  // namespace
}  // namespace quelvar
