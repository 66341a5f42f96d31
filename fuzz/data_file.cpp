// The tracking data file reader on arbitrary bytes.
//
// A refused file must leave the run in memory exactly as it was; a loaded one
// must hold finite positions with Error and MagnifiedRunError derived from
// them. A loaded run written out again reads back to the values rounded to
// two decimals and is then written to the very same text, unless a value is
// too wide for its field: then that file must be refused, never misread.
#include "FuzzChecks.h"

#include "datafiles/DataFile.h"
#include "datafiles/NumberFormat.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <string_view>

using namespace quelvar;

namespace {

bool sameBits(const RunRecord& a, const RunRecord& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Every field keeps at least one blank in front, so it cannot run into its
// left neighbour. A wider value touches it, and the line must then be refused
// on reading rather than read as other numbers.
bool fieldsStayApart(std::int32_t difficulty, std::int32_t disturbanceNumber, const RunRecord& run)
{
    if (formatInteger(difficulty, 0).size() > 7 || formatInteger(disturbanceNumber, 0).size() > 7)
        return false;
    for (int k = 1; k <= kRunFrames; ++k) {
        if (formatFixed(run.Mouse[k], 2, 0).size() > 9 || formatFixed(run.Target[k], 2, 0).size() > 9)
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Earlier values that a refused or short file must not disturb.
    static const auto before = [] {
        auto run = std::make_unique<RunRecord>();
        for (int k = 0; k <= kRunFrames; ++k) {
            run->Mouse[k] = k * 0.25;
            run->Target[k] = -k * 0.5;
            run->Error[k] = -k * 0.75;
            run->MagnifiedRunError[k] = -k * 3.75;
        }
        return run;
    }();
    static auto run = std::make_unique<RunRecord>();
    static auto again = std::make_unique<RunRecord>();
    *run = *before;

    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const DataFileReadResult result = parseDataFile(bytes, *run);

    if (result.outcome != DataFileReadResult::Loaded) {
        FUZZ_CHECK(sameBits(*run, *before));
        if (result.outcome == DataFileReadResult::NotValid)
            FUZZ_CHECK(!result.headerValid && !result.identityRead);
        return 0;
    }

    FUZZ_CHECK(result.headerValid && result.identityRead);
    for (int k = 1; k <= kRunFrames; ++k) {
        FUZZ_CHECK(std::isfinite(run->Mouse[k]) && std::isfinite(run->Target[k]));
        const double error = run->Target[k] - run->Mouse[k];
        FUZZ_CHECK(std::memcmp(&run->Error[k], &error, sizeof error) == 0);
        const double magnified = 5.0 * error;
        FUZZ_CHECK(std::memcmp(&run->MagnifiedRunError[k], &magnified, sizeof magnified) == 0);
    }

    // The program writes difficulty 1 ... 5 and disturbance 1 ... 10. Two
    // integers on line 2 that touch would read as one, so only identities
    // that keep their blanks go into the written copy.
    const bool identityApart = formatInteger(result.difficulty, 0).size() <= 7
                               && formatInteger(result.disturbanceNumber, 0).size() <= 7;
    const std::int32_t difficulty = identityApart ? result.difficulty : 5;
    const std::int32_t disturbanceNumber = identityApart ? result.disturbanceNumber : 10;
    const QByteArray first = formatDataFile(difficulty, disturbanceNumber, *run);
    *again = *before;
    const DataFileReadResult reread =
        parseDataFile(std::string_view(first.constData(), std::size_t(first.size())), *again);
    const bool apart = fieldsStayApart(difficulty, disturbanceNumber, *run);
    if (apart)
        FUZZ_CHECK(reread.outcome == DataFileReadResult::Loaded);
    if (reread.outcome != DataFileReadResult::Loaded) {
        FUZZ_CHECK(sameBits(*again, *before));
        return 0;
    }
    FUZZ_CHECK(reread.difficulty == difficulty);
    FUZZ_CHECK(reread.disturbanceNumber == disturbanceNumber);
    for (int k = 1; k <= kRunFrames; ++k) {
        FUZZ_CHECK(closeTo(again->Mouse[k], run->Mouse[k], 2));
        FUZZ_CHECK(closeTo(again->Target[k], run->Target[k], 2));
    }
    // Rounded once, the values are written again to the very same text.
    if (apart) {
        const QByteArray second = formatDataFile(reread.difficulty, reread.disturbanceNumber, *again);
        FUZZ_CHECK(negativeZerosAsZeros(first) == negativeZerosAsZeros(second));
    }
    return 0;
}
