// The fixed-point writer followed by the text reader.
//
// Input: 8 bytes of a double, a byte for the decimals, a byte for the field
// width, 4 bytes of an integer. The text written must read back as the
// written decimal: within half a unit of the last decimal of the value, and
// written again it gives the same text. Values that are not finite are
// written as words the reader refuses. Integers read back unchanged.
#include "FuzzChecks.h"

#include "datafiles/NumberFormat.h"
#include "datafiles/TextReader.h"

#include <QByteArray>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <string_view>

using namespace quelvar;

namespace {

std::string_view view(const QByteArray& text) { return {text.constData(), std::size_t(text.size())}; }

void checkReal(double value, int decimals, int width)
{
    const QByteArray text = formatFixed(value, decimals, width);
    const QByteArray trimmed = text.trimmed();
    FUZZ_CHECK(!trimmed.isEmpty() && !trimmed.contains(' '));
    FUZZ_CHECK(text.size() == std::max<qsizetype>(width, trimmed.size()));
    FUZZ_CHECK(text.endsWith(trimmed));

    double read = 12345.0;
    const bool ok = TextReader(view(text)).readReal(read);
    if (!std::isfinite(value)) {
        FUZZ_CHECK(trimmed == (std::isnan(value) ? "nan" : value > 0 ? "inf" : "-inf"));
        FUZZ_CHECK(!ok);
        return;
    }
    FUZZ_CHECK(ok);
    FUZZ_CHECK(std::isfinite(read));
    // Exactly `decimals` digits after the point, "." whatever the locale.
    const qsizetype point = trimmed.indexOf('.');
    FUZZ_CHECK(decimals == 0 ? point < 0 : point >= 1 && trimmed.size() - point - 1 == decimals);
    FUZZ_CHECK(trimmed.startsWith('-') == (value < 0));  // -0.0 is no negative value

    // 18 significant digits first, then the decimals, then the nearest double:
    // each step adds at most its own half unit.
    const double halfUnit = 0.5 * std::pow(10.0, -decimals);
    FUZZ_CHECK(std::fabs(read - value) <= halfUnit * (1 + 1e-12) + std::fabs(value) * 4e-16);

    if (std::fabs(value) * std::pow(10.0, decimals) < 1e14) {
        QByteArray expected = trimmed;
        if (read == 0.0 && expected.startsWith('-'))
            expected.remove(0, 1);  // "-0.00" reads as zero, which has no sign to write
        FUZZ_CHECK(formatFixed(read, decimals, 0) == expected);
    }
}

void checkInteger(std::int32_t value, int width)
{
    const QByteArray text = formatInteger(value, width);
    std::int32_t read = 7;
    FUZZ_CHECK(TextReader(view(text)).readInteger(read));
    FUZZ_CHECK(read == value);
    // One beyond the 32-bit range is refused, not wrapped.
    const std::int64_t beyond = value < 0 ? std::int64_t(value) - 2147483649LL
                                          : std::int64_t(value) + 2147483648LL;
    FUZZ_CHECK(!TextReader(view(formatInteger(beyond, width))).readInteger(read));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 10)
        return 0;
    double value;
    const quint64 bits = qFromLittleEndian<quint64>(data);
    std::memcpy(&value, &bits, sizeof value);
    const int decimals = data[8] % 10;
    const int width = data[9] % 24;
    checkReal(value, decimals, width);
    if (size >= 14)
        checkInteger(qFromLittleEndian<qint32>(data + 10), width);
    return 0;
}
