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
        answer.precision(17);  // every double read compared to the bit
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

// Lines end at LF, CR LF or a lone CR (LF CR is two line ends) and keep their
// blanks; Ctrl-Z ends the text; numbers are separated by any control
// character or blank, may come from later lines and read 0 at the end; a
// failed read leaves the value as it was.
TEST(TextReader, ReadsLinesNumbersAndEnds)
{
    const struct {
        std::string_view text, reads;
        Reads answers;
    } cases[] = {
        {"one\ntwo\r\nthree\rfour\n\rsix"sv,
         "lllllelel",
         {"one", "two", "three", "four", "", "more", "six", "end", ""}},
        {" a b \t\r\n"sv, "le", {" a b \t", "end"}}, {"12\x1A 34\r\n"sv, "iei", {"12", "end", "0"}},
        {"a\r\n\x1Az\r\n"sv, "le", {"a", "end"}},
        // DEL (127) is above 32, so it is a token of its own and no number.
        {"  1\t-2\r\n\r\n\x01+3 \x7f"sv, "iiii", {"1", "-2", "3", "no"}},
        {"7  \r\n  "sv, "iir", {"7", "0", "0"}}, {"abc"sv, "i", {"no"}}, {"x1"sv, "r", {"no"}},
        {"1 2 3\r\n4\n"sv, "isise", {"1", "", "4", "", "end"}},
        {"5\r\n\r\n   6.5\r\n"sv, "ir", {"5", "6.5"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readsOf(c.text, c.reads), c.answers) << c.text;
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
    EXPECT_EQ(readsOf("+1 -0 007 2147483647 -2147483648 000000000000000000000000042", "iiiiii"),
              (Reads{"1", "0", "7", "2147483647", "-2147483648", "42"}));
    for (std::string_view bad : {"2147483648", "-2147483649", "99999999999999999999999", "1.0",
                                 "1e3", "0x10", "$10", "1,5", "12a", "-", "+", "--1", "+-1",
                                 "\xC2\xA0" "1"}) {
        EXPECT_EQ(readsOf(bad, "i"), Reads{"no"}) << bad;
    }
}

// Reals too small for a double read as zero, keeping their sign.
TEST(TextReader, RealsTakeTheUsualDecimalForms)
{
    const std::pair<std::string_view, double> cases[] = {
        {"12.34", 12.34}, {"-56.78", -56.78}, {"+3", 3.0}, {"5.", 5.0},
        {".5", 0.5}, {"-.5e1", -5.0}, {"1E+2", 100.0}, {"2.5e-3", 0.0025},
        {"1.7976931348623157e308", std::numeric_limits<double>::max()},
        {"4.9e-324", std::numeric_limits<double>::denorm_min()},
        {"1e-400", 0.0}, {"123456e-330", 0.0}, {"-1e-99999999999999999999", -0.0}, {"0e99999", 0.0},
    };
    for (const auto& [text, value] : cases) {
        const auto read = realOf(text);
        EXPECT_EQ(read, value) << text;
        EXPECT_TRUE(read && std::signbit(*read) == std::signbit(value)) << text;
    }
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

}  // namespace
}  // namespace quelvar
