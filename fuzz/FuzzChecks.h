#pragma once
// What a fuzz target asserts. A failed check prints its condition and aborts,
// which libFuzzer records as a crash and the corpus replay reports as a
// failed test.
#include <QByteArray>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                              \
    do {                                                                                   \
        if (!(condition)) {                                                                \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                  \
        }                                                                                  \
    } while (false)

// "-0.00" (a negative value rounded to zero) reads back as zero, which is
// written "0.00": the texts are compared with such fields made positive.
inline QByteArray negativeZerosAsZeros(QByteArray text)
{
    for (qsizetype i = 0; i + 3 < text.size(); ++i) {
        if (text[i] != '-' || text[i + 1] != '0' || text[i + 2] != '.')
            continue;
        qsizetype end = i + 3;
        while (end < text.size() && text[end] == '0')
            ++end;
        if (end == text.size() || text[end] < '0' || text[end] > '9')
            text[i] = ' ';
    }
    return text;
}

// A number written with `decimals` decimals and read back: within half a unit
// of its last decimal (and the double's own rounding for huge values).
inline bool closeTo(double read, double written, int decimals)
{
    const double halfUnit = 0.5 * std::pow(10.0, -decimals);
    return std::fabs(read - written) <= halfUnit * (1 + 1e-9) + std::fabs(written) * 1e-15;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
