#pragma once
// The thorough fit: the best whole spinner positions for a run, found delay by
// delay. For each delay a pattern search over gain and damping, each point
// with the reference its response picks, then a search of the neighbouring
// positions of all three. It sits beside "Auto Fit", which stays as it is.
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
// candidate too, so the result is never worse than it. Each search stops
// after `maxRounds` rounds, settled or not.
ThoroughResult thoroughFit(const RunRecord& run, double timeStep, const SearchSpace& space,
                           const std::optional<SpinnerSetting>& alsoTry = std::nullopt,
                           int maxRounds = kThoroughMaxRounds);

}  // namespace quelvar
