#include "datafiles/NumberFormat.h"

#include <QVarLengthArray>

#include <charconv>
#include <cmath>
#include <cstring>

namespace quelvar {
namespace {

// Significant digits a value is taken to before it is rounded to its decimals.
constexpr int kSignificantDigits = 18;

void appendPadded(QByteArray& out, const char* text, qsizetype length, int width)
{
    if (width > length)
        out.append(width - length, ' ');
    out.append(text, length);
}

}  // namespace

void appendFixed(QByteArray& out, double value, int decimals, int width)
{
    if (std::isnan(value)) {
        appendPadded(out, "nan", 3, width);
        return;
    }
    if (std::isinf(value)) {
        if (value > 0)
            appendPadded(out, "inf", 3, width);
        else
            appendPadded(out, "-inf", 4, width);
        return;
    }
    if (decimals < 0)
        decimals = 0;

    // d.ddddddddddddddddde±x: the 18 digits and the power of ten of the first.
    char scientific[40];
    const auto sci = std::to_chars(scientific, scientific + sizeof scientific, std::fabs(value),
                                   std::chars_format::scientific, kSignificantDigits - 1);
    char digits[kSignificantDigits];
    digits[0] = scientific[0];
    std::memcpy(digits + 1, scientific + 2, kSignificantDigits - 1);
    int exponent = 0;
    const char* expText = scientific + kSignificantDigits + 2;  // past 'e'
    const bool negativeExponent = *expText == '-';
    std::from_chars(expText + 1, sci.ptr, exponent);
    if (negativeExponent)
        exponent = -exponent;

    // The value times 10^decimals, as a digit string rounded half away from
    // zero. `kept` is how many of the 18 digits lie at or above the last
    // decimal place written; slot 0 takes a carry out of the first digit.
    const long long kept = static_cast<long long>(exponent) + 1 + decimals;
    QVarLengthArray<char, 400> scaled(static_cast<qsizetype>(kept > 1 ? kept : 1) + 1);
    char* const body = scaled.data() + 1;
    scaled[0] = '0';
    qsizetype count = 0;
    if (kept >= kSignificantDigits) {
        std::memcpy(body, digits, kSignificantDigits);
        std::memset(body + kSignificantDigits, '0', static_cast<std::size_t>(kept - kSignificantDigits));
        count = static_cast<qsizetype>(kept);
    } else if (kept <= 0) {
        body[0] = kept == 0 && digits[0] >= '5' ? '1' : '0';
        count = 1;
    } else {
        std::memcpy(body, digits, static_cast<std::size_t>(kept));
        count = static_cast<qsizetype>(kept);
        if (digits[kept] >= '5') {
            qsizetype i = count;  // index into scaled; body[i - 1] is the last digit
            while (scaled[i] == '9')
                scaled[i--] = '0';
            ++scaled[i];
        }
    }
    const char* begin = scaled.data();
    qsizetype length = count + 1;
    // Drop leading zeros but keep one digit before the point.
    while (length > decimals + 1 && *begin == '0') {
        ++begin;
        --length;
    }

    // Sign, the digits with the point inserted, and zeros in front when the
    // value is below 1.
    const qsizetype integerDigits = length > decimals ? length - decimals : 1;
    const qsizetype total = (value < 0 ? 1 : 0) + integerDigits + (decimals > 0 ? 1 + decimals : 0);
    if (width > total)
        out.append(width - total, ' ');
    // The sign belongs to the value, not to what is left after rounding.
    if (value < 0)
        out.append('-');
    if (length <= decimals) {
        out.append('0');
        out.append('.');
        out.append(decimals - length, '0');
        out.append(begin, length);
    } else {
        out.append(begin, length - decimals);
        if (decimals > 0) {
            out.append('.');
            out.append(begin + length - decimals, decimals);
        }
    }
}

void appendInteger(QByteArray& out, std::int64_t value, int width)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    appendPadded(out, buffer, result.ptr - buffer, width);
}

QByteArray formatFixed(double value, int decimals, int width)
{
    QByteArray out;
    appendFixed(out, value, decimals, width);
    return out;
}

QByteArray formatInteger(std::int64_t value, int width)
{
    QByteArray out;
    appendInteger(out, value, width);
    return out;
}

}  // namespace quelvar
