#pragma once
// Many parameter sets simulated in one pass over a run. One model run is
// bounded by its chain o(i-1) -> o(i); sets that run side by side, each in a
// vector lane of its own, fill the time that chain leaves idle. Every lane
// does exactly RunModel's arithmetic in RunModel's order, so its sum of
// squares and % RMS error are bit for bit those of RunModel + ComputeErrors.
// The widest vector unit the processor has is chosen when the program starts,
// so the program runs on any x86-64.
#include "analysis/ControlModel.h"

#include <string_view>

namespace quelvar {

inline constexpr int kMaxModelLanes = 32;

// A lane's sum of squares is +infinity when the pass was cut short: every
// lane's running sum had passed the bound, so none of them can end at or
// below it.
inline constexpr double kNoBound = __builtin_inf();

// Sums of squares of o(i) - M(i) over the run for `count` (1 ... 32) sets
// that share one delay, lanes[k].d. Allocates nothing.
void simulateLanes(const RunRecord& run, double timeStep, const ModelConstants* lanes, int count,
                   double bound, double* sums);

// ModelRmsError of every set, in any mix of delays; the sets are grouped by
// delay into passes of up to 32 lanes. Allocates nothing.
void evaluateModels(const RunRecord& run, double timeStep, const ModelParameters* sets, int count,
                    double* modelRms);

// The vector unit the passes run on: "avx512f", "avx2" or "sse2", the widest
// the processor has unless useModelLanesUnit chose another.
const char* modelLanesUnit();

// Runs the passes on the named unit from now on (tests and benchmarks
// compare the units). False, changing nothing, when the processor lacks it.
bool useModelLanesUnit(std::string_view name);

}  // namespace quelvar
