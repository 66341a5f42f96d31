// The parameter file reader on arbitrary bytes.
//
// A loaded file holds finite values. Writing them again gives a file that
// either reads back to the written values, each within half a unit of its
// last decimal, or is refused: a number too wide for its field touches its
// neighbour and must never be misread as some other number.
#include "FuzzChecks.h"

#include "datafiles/NumberFormat.h"
#include "datafiles/ParameterFile.h"

#include <cmath>
#include <string_view>

using namespace quelvar;

namespace {

// Every field keeps at least one blank in front, so the numbers stay apart.
bool fieldsStayApart(const ParameterFileValues& v)
{
    auto apart = [](double x, int decimals) { return formatFixed(x, decimals, 0).size() <= 9; };
    return formatInteger(v.difficulty, 0).size() <= 7 && formatInteger(v.disturbanceNumber, 0).size() <= 7
           && apart(v.inputDelay, 4) && apart(v.outputGain, 4) && apart(v.damping, 6)
           && apart(v.reference, 4) && apart(v.modelRmsError, 3) && apart(v.trackingRmsError, 3);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const ParameterFileReadResult result = parseParameterFile(bytes);
    if (result.outcome == ParameterFileReadResult::NotValid)
        FUZZ_CHECK(!result.headerValid);
    if (result.outcome != ParameterFileReadResult::Loaded)
        return 0;

    FUZZ_CHECK(result.headerValid);
    const ParameterFileValues& v = result.values;
    for (double x : {v.inputDelay, v.outputGain, v.damping, v.reference, v.modelRmsError,
                     v.trackingRmsError})
        FUZZ_CHECK(std::isfinite(x));

    const QByteArray written = formatParameterFile(QStringLiteral("/runs/subject 1.par"), v);
    const ParameterFileReadResult reread =
        parseParameterFile(std::string_view(written.constData(), std::size_t(written.size())));
    if (fieldsStayApart(v))
        FUZZ_CHECK(reread.outcome == ParameterFileReadResult::Loaded);
    if (reread.outcome != ParameterFileReadResult::Loaded) {
        FUZZ_CHECK(reread.outcome == ParameterFileReadResult::IoError);
        return 0;
    }
    const ParameterFileValues& w = reread.values;
    FUZZ_CHECK(w.difficulty == v.difficulty && w.disturbanceNumber == v.disturbanceNumber);
    FUZZ_CHECK(closeTo(w.inputDelay, v.inputDelay, 4));
    FUZZ_CHECK(closeTo(w.outputGain, v.outputGain, 4));
    FUZZ_CHECK(closeTo(w.damping, v.damping, 6));
    FUZZ_CHECK(closeTo(w.reference, v.reference, 4));
    FUZZ_CHECK(closeTo(w.modelRmsError, v.modelRmsError, 3));
    FUZZ_CHECK(closeTo(w.trackingRmsError, v.trackingRmsError, 3));
    if (fieldsStayApart(v))
        FUZZ_CHECK(negativeZerosAsZeros(formatParameterFile(QStringLiteral("/runs/subject 1.par"), w))
                   == negativeZerosAsZeros(written));
    return 0;
}
