#pragma once
// How far a thorough fit can be trusted: 95 % intervals for its four
// parameters from a moving-block bootstrap of its residual, and the error of
// the fit on the half of the run it was not fitted to.
#include "analysis/ThoroughFit.h"

#include <cstdint>
#include <vector>

namespace quelvar {

struct UncertaintyOptions {
    int replicates = 200;
    // About a second of frames, so that a block carries the residual's
    // correlation from one frame to the next.
    int blockFrames = 60;
};

struct FitUncertainty {
    SpinnerSetting low;   // the 2.5 % percentile of each parameter over the replicates
    SpinnerSetting high;  // the 97.5 % percentile
    double holdoutRms = 0.0;
    std::vector<SpinnerSetting> replicates;  // each replicate's refitted setting, in order drawn
};

// The seed of a run's bootstrap, from its target and mouse values alone, so
// that the same run gives the same replicates on every machine and build.
std::uint64_t bootstrapSeed(const RunRecord& run);

// The model's mouse at `best` plus the residual (mouse minus that model
// trace) cut into blocks, drawn with replacement and laid end to end. Replicate
// `index`'s draws depend on the seed and the index alone.
void bootstrapReplicate(const RunRecord& run, const FrameArray& modelMouse, const FrameArray& residual,
                        std::uint64_t seed, int index, int blockFrames, RunRecord& replicate);

// The thorough fit on frames 1-1800 scored on 1801-3600, and the reverse:
// the mean of the two out-of-sample model % RMS errors. The model is
// simulated over the whole run each time. `fit` (the whole run's) is a
// candidate of each half's fit.
double holdoutRms(const RunRecord& run, double timeStep, const SearchSpace& space, const ThoroughResult& fit);

// The intervals around `fit` (a thorough fit of the run in `space`), without
// the holdout error. Every replicate is refitted near `fit` with the thorough
// search's steps. The bits depend on the run alone.
FitUncertainty bootstrapIntervals(const RunRecord& run, double timeStep, const SearchSpace& space,
                                  const ThoroughResult& fit, const UncertaintyOptions& options = {});

// The intervals and the holdout error.
FitUncertainty fitUncertainty(const RunRecord& run, double timeStep, const SearchSpace& space,
                              const ThoroughResult& fit, const UncertaintyOptions& options = {});

}  // namespace quelvar
