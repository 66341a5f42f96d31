#pragma once
// The thorough fit: the best whole spinner positions for a run, found delay by
// delay. For each delay a pattern search over gain and damping, each point
// with the reference its response picks, then a search of the neighbouring
// positions of all three. It sits beside "Auto Fit", which stays as it is.
#include "analysis/ControlModel.h"
#include "analysis/FitPoint.h"
#include "common/RunRecord.h"

#include <optional>
#include <vector>

namespace quelvar {

struct ThoroughResult {
    FitPoint best;                   // within the search space
    std::vector<FitPoint> profile;   // the best for each delay, delayMin ... delayMax
    std::optional<FitPoint> beyond;  // the best delay past delayMax, only when better than `best`
    std::int64_t modelRuns = 0;      // model runs made
    // False when a search ran out of rounds before it settled: `best` is
    // then the best found, not a setting none of whose neighbours is better.
    bool converged = true;
};

// Far more rounds than a search takes; only a guard against one that never ends.
inline constexpr int kThoroughMaxRounds = 400;

// `alsoTry` (for example "Auto Fit" rounded to spinner positions) is a
// candidate too, so the result is never worse than it. The errors are those
// of the frames `scored`. Each search stops after `maxRounds` rounds, settled
// or not.
ThoroughResult thoroughFit(const RunRecord& run, double timeStep, const SearchSpace& space,
                           const std::optional<SpinnerSetting>& alsoTry = std::nullopt,
                           const FrameRange& scored = kWholeRun, int maxRounds = kThoroughMaxRounds);

// The best whole spinner positions within the delay range for a run close to
// the one `near` was fitted to (the same run with its noise resampled): the
// thorough search's own steps, started from `near`'s best for each delay
// around its best delay instead of from the coarse grid, and spreading to
// further delays while the best lies at the edge of those searched. A small
// fraction of a thorough fit's model runs.
FitPoint refitNear(const RunRecord& run, double timeStep, const SearchSpace& space, const ThoroughResult& near);

}  // namespace quelvar
