#include "datafiles/TextReader.h"

#include <charconv>
#include <limits>
#include <system_error>

namespace quelvar {
namespace {

constexpr char kEndOfText = 0x1A;

bool isSeparator(char c) { return static_cast<unsigned char>(c) <= 32; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The shape of a decimal real: [sign] digits [. digits] [e [sign] digits],
// with at least one mantissa digit on either side of the point.
struct RealShape {
    bool valid = false;
    bool negative = false;
    // Power of ten of the first non-zero mantissa digit, exponent included;
    // only meaningful when the mantissa is not zero.
    long long leadingPower = 0;
};

RealShape examineReal(std::string_view token)
{
    RealShape shape;
    std::size_t i = 0;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) {
        shape.negative = token[i] == '-';
        ++i;
    }
    long long integerDigits = 0;  // significant ones, leading zeros excluded
    long long zerosAfterPoint = 0;
    bool nonZeroSeen = false;
    std::size_t mantissaDigits = 0;
    for (; i < token.size() && isDigit(token[i]); ++i, ++mantissaDigits) {
        if (token[i] != '0')
            nonZeroSeen = true;
        if (nonZeroSeen)
            ++integerDigits;
    }
    if (i < token.size() && token[i] == '.') {
        for (++i; i < token.size() && isDigit(token[i]); ++i, ++mantissaDigits) {
            if (token[i] != '0')
                nonZeroSeen = true;
            if (!nonZeroSeen)
                ++zerosAfterPoint;
        }
    }
    if (mantissaDigits == 0)
        return shape;
    long long exponent = 0;
    if (i < token.size() && (token[i] == 'e' || token[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < token.size() && (token[i] == '+' || token[i] == '-')) {
            negativeExponent = token[i] == '-';
            ++i;
        }
        const std::size_t exponentStart = i;
        for (; i < token.size() && isDigit(token[i]); ++i) {
            // Far past the double range either way; stop growing.
            if (exponent < 100000000)
                exponent = exponent * 10 + (token[i] - '0');
        }
        if (i == exponentStart)
            return shape;
        if (negativeExponent)
            exponent = -exponent;
    }
    if (i != token.size())
        return shape;
    shape.valid = true;
    shape.leadingPower = (integerDigits > 0 ? integerDigits - 1 : -(zerosAfterPoint + 1)) + exponent;
    return shape;
}

}  // namespace

TextReader::TextReader(std::string_view text)
    : text_(text.substr(0, text.find(kEndOfText)))
{
}

bool TextReader::atEnd() const { return pos_ >= text_.size(); }

std::string_view TextReader::readLine()
{
    const std::size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] != '\n' && text_[pos_] != '\r')
        ++pos_;
    const std::string_view line = text_.substr(start, pos_ - start);
    if (pos_ < text_.size()) {
        if (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n')
            ++pos_;
        ++pos_;
    }
    return line;
}

void TextReader::skipLine() { readLine(); }

int TextReader::lineNumber() const
{
    // Counted only when a failure is reported, so reading stays one pass.
    int line = 1;
    for (std::size_t i = 0; i < pos_ && i < text_.size(); ++i) {
        if (text_[i] == '\n' || (text_[i] == '\r' && (i + 1 >= text_.size() || text_[i + 1] != '\n')))
            ++line;
    }
    return line;
}

std::string_view TextReader::nextToken()
{
    while (pos_ < text_.size() && isSeparator(text_[pos_]))
        ++pos_;
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !isSeparator(text_[pos_]))
        ++pos_;
    return text_.substr(start, pos_ - start);
}

bool TextReader::readInteger(std::int32_t& value)
{
    std::string_view token = nextToken();
    if (token.empty()) {
        value = 0;
        return true;
    }
    bool negative = false;
    if (token.front() == '+' || token.front() == '-') {
        negative = token.front() == '-';
        token.remove_prefix(1);
    }
    if (token.empty())
        return false;
    for (char c : token) {
        if (!isDigit(c))
            return false;
    }
    // Read the magnitude wide so that -2147483648 fits before the sign is applied.
    std::uint64_t magnitude = 0;
    const auto result = std::from_chars(token.data(), token.data() + token.size(), magnitude);
    if (result.ec != std::errc())
        return false;
    const std::uint64_t limit = negative ? std::uint64_t{1} << 31 : (std::uint64_t{1} << 31) - 1;
    if (magnitude > limit)
        return false;
    value = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                     : static_cast<std::int32_t>(magnitude);
    return true;
}

bool TextReader::readReal(double& value)
{
    std::string_view token = nextToken();
    if (token.empty()) {
        value = 0.0;
        return true;
    }
    const RealShape shape = examineReal(token);
    if (!shape.valid)
        return false;
    // from_chars takes no "+"; the sign is applied afterwards in every case.
    if (token.front() == '+' || token.front() == '-')
        token.remove_prefix(1);
    double magnitude = 0.0;
    const auto result = std::from_chars(token.data(), token.data() + token.size(), magnitude,
                                        std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Below the smallest subnormal a value is as good as zero; above the
        // largest double it is no number this program can hold.
        if (shape.leadingPower >= 0)
            return false;
        magnitude = 0.0;
    } else if (result.ec != std::errc() || result.ptr != token.data() + token.size()) {
        return false;
    }
    value = shape.negative ? -magnitude : magnitude;
    return true;
}

}  // namespace quelvar
