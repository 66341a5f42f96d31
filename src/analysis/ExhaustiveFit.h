#pragma once
// The exhaustive fit: every whole spinner position of a run is evaluated, which
// proves the best one. A position is dropped only once the running sum of
// its squared errors has passed the best sum found for its delay, which its
// final sum can then never undercut. Positions of the reference spinner that
// round to the same r give one model, evaluated once.
#include "analysis/ThoroughFit.h"

namespace quelvar {

// `seed` (the thorough fit's result for the same run and space) gives the
// first sums to beat, which lets most positions be dropped early, and its
// beyond-the-bound delay, which is kept when still better. Runs on at most
// `threads` threads (0: one per processor); the result does not depend on
// their number.
ThoroughResult exhaustiveFit(const RunRecord& run, double timeStep, const SearchSpace& space,
                             const ThoroughResult& seed, int threads);

}  // namespace quelvar
