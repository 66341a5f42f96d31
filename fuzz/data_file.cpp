// The tracking data file reader on arbitrary bytes.
//
// A refused file must leave the run in memory exactly as it was; a loaded one
// must hold finite positions with Error and MagnifiedRunError derived from
// them. A loaded run written out again must read back to the same text.
#include "FuzzChecks.h"

#include "datafiles/DataFile.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <string_view>

using namespace quelvar;

namespace {

bool sameBits(const RunRecord& a, const RunRecord& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Within the range of real positions the text holds every digit that matters,
// so a second write repeats the first exactly.
bool withinWritableRange(const RunRecord& run)
{
    for (int k = 1; k <= kRunFrames; ++k) {
        if (!(std::fabs(run.Mouse[k]) < 1e9) || !(std::fabs(run.Target[k]) < 1e9))
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

    if (withinWritableRange(*run)) {
        const QByteArray first = formatDataFile(result.difficulty, result.disturbanceNumber, *run);
        *again = *before;
        const DataFileReadResult reread =
            parseDataFile(std::string_view(first.constData(), std::size_t(first.size())), *again);
        FUZZ_CHECK(reread.outcome == DataFileReadResult::Loaded);
        FUZZ_CHECK(reread.difficulty == result.difficulty);
        FUZZ_CHECK(reread.disturbanceNumber == result.disturbanceNumber);
        for (int k = 1; k <= kRunFrames; ++k) {
            FUZZ_CHECK(std::fabs(again->Mouse[k] - run->Mouse[k]) <= 0.005 + 1e-9);
            FUZZ_CHECK(std::fabs(again->Target[k] - run->Target[k]) <= 0.005 + 1e-9);
        }
        const QByteArray second = formatDataFile(reread.difficulty, reread.disturbanceNumber, *again);
        FUZZ_CHECK(first == second);
    }
    return 0;
}
