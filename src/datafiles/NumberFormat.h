#pragma once
// The one fixed-point writer for every number in the program's text files:
// the value is taken to 18 significant digits, rounded to `decimals` with
// halves away from zero, the sign taken before rounding (so -0.001 with two
// decimals is "-0.00"), "." always, right-aligned in at least `width`.
#include <QByteArray>
#include <cstdint>

namespace quelvar {

// Appends the fixed-point text of value to out. Values that are not finite
// are written as "nan", "inf" or "-inf" (the readers refuse them).
void appendFixed(QByteArray& out, double value, int decimals, int width);

// Appends a decimal integer right-aligned in at least `width`.
void appendInteger(QByteArray& out, std::int64_t value, int width);

// Convenience forms returning the text.
QByteArray formatFixed(double value, int decimals, int width);
QByteArray formatInteger(std::int64_t value, int width);

}  // namespace quelvar
