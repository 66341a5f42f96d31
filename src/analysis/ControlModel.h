#pragma once
// The participant model: a leaky integrator in a negative feedback loop with
// an input delay, simulated over the 3600 frames of a run, and the two % RMS
// errors. Neither routine allocates.
#include "common/ModelState.h"
#include "common/RunRecord.h"

#include <cstdint>

namespace quelvar {

// The frames whose errors a sum takes, first ... last of 1 ... 3600. The model
// is still simulated from frame 1, so a range's errors are those the whole run
// would give on those frames.
struct FrameRange {
    int first = 1;
    int last = kRunFrames;

    int count() const { return last - first + 1; }
    bool operator==(const FrameRange&) const = default;
};

inline constexpr FrameRange kWholeRun{};

// The model's values, derived from the parameters in spinner units.
struct ModelConstants {
    double G = 0.0;      // OutGain x 0.1
    double K = 0.0;      // Damp x 0.001
    double r = 0.0;      // Round(Ref / 10)
    std::uint8_t d = 0;  // Round(InDelay), modulo 256 like the delay ring
};

ModelConstants modelConstants(const ModelParameters& parameters);

// Rewrites the three traces from the parameters, the target and the mouse,
// and takes the sums of squares the next ComputeErrors needs.
void RunModel(const ModelParameters& parameters, double timeStep, const RunRecord& run,
              DelayLine& delay, ModelResults& results);

// Sets ModelRmsError and TrackingRmsError: from the sums the last RunModel
// took, the first time after it, and otherwise from the traces.
void ComputeErrors(ModelResults& results);

// sqrt(sum / frames) x 100 / 1000: a % RMS error from its sum of squares.
double rmsPercent(double sumOfSquares, int frames = kRunFrames);

// The sum of squares of a trace over `range`, in frame order: over the whole
// run, bit for bit the sum RunModel takes of that trace.
double sumOfSquares(const FrameArray& trace, const FrameRange& range = kWholeRun);

}  // namespace quelvar
