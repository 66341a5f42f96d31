#pragma once
// Many parameter sets simulated in one pass over a run. One model run is
// bounded by its chain o(i-1) -> o(i); sets that run side by side, each in a
// vector lane of its own, fill the time that chain leaves idle. Every lane
// does exactly RunModel's arithmetic in RunModel's order, so its sum of
// squares and % RMS error are bit for bit those of RunModel + ComputeErrors.
// The widest vector unit the processor has is chosen at the first pass: on
// x86-64 AVX-512, AVX2 or SSE2; elsewhere the portable unit, which any
// 64-bit target compiles.
#include "analysis/ControlModel.h"

#include <string_view>
#include <vector>

namespace quelvar {

inline constexpr int kMaxModelLanes = 32;

// Lanes 0-7, 8-15, ... of a pass form groups; the sets of one group must
// share a delay. Different groups may have different delays.
inline constexpr int kLaneGroup = 8;

// Every lane's sum of squares is +infinity when the pass was cut short:
// every lane's running sum had passed its bound, so none of them can end at
// or below it. A search gives as bound the best sum it has.
inline constexpr double kNoBound = __builtin_inf();

// Sums of squares of o(i) - M(i) over the frames `scored` for `count`
// (1 ... 32) sets, each group sharing one delay, with one bound a lane (or
// none: nullptr). The model runs from frame 1 to the range's last frame, so a
// range's sum has exactly the bits of sumOfSquares over RunModel's error
// trace. Allocates nothing.
void simulateLanes(const RunRecord& run, double timeStep, const ModelConstants* lanes, int count,
                   const double* bounds, double* sums, const FrameRange& scored = kWholeRun);

// What a set's reference does to its sum of squares. While the output limit
// does not act the model is linear, so o_r(i) = o_0(i) + r h(i), where h is
// the response to r = 1 from rest with no target, and the sum of squares is
// the parabola sum + r (2 cross + r response), up to rounding.
struct ReferenceResponse {
    double sum = 0.0;       // the sum of squares at r = 0, exactly as RunModel's
    double cross = 0.0;     // sum of (o_0(i) - M(i)) h(i)
    double response = 0.0;  // sum of h(i)^2
    double peak = 0.0;      // the largest |o_0(i)| + R |h(i)|, R the largest |r| asked for
    // With bounds: a lower bound on every r's sum of squares, proven while
    // the limit could not act yet (0 when nothing was proven), and whether
    // the pass stopped early, once every lane's `least` had passed its bound
    // or its limit may act; the other sums are then those of the frames run.
    double least = 0.0;
    bool cutShort = false;

    // The limit may act for some r in the range (or a sum is not finite): the
    // parabola then says nothing and every r must be run.
    bool limitMayAct() const;
    // The parabola's value at r.
    double at(int r) const;
    // Whether r's sum of squares may be at or below `bound`: false only when
    // the parabola lies above it by far more than rounding can explain.
    bool mayReach(int r, double bound) const;
    // The whole r in [lo, hi] nearest the bottom of the parabola (lo ... hi
    // held; 0 held within them when the parabola is flat or not finite).
    int bestReference(int lo, int hi) const;
};

// How far the parabola may be trusted, relative to the size of its terms: a
// million times the rounding a run accumulates in the stable model, so a
// setting it rules out is out by far more than rounding. And the peak below
// which the limit cannot act.
inline constexpr double kParabolaTolerance = 1e-7;
inline constexpr double kLinearPeak = 1000.0 * (1.0 - 1e-9);

// The responses of `count` (1 ... 32) sets for r in [referenceMin,
// referenceMax]; the sets' own r is not used. With bounds (one a lane, or
// nullptr) the pass may be cut short as ReferenceResponse says. Groups and
// the scored frames as for simulateLanes (the peak covers every frame run, as
// the limit acting before the range changes the frames in it). Allocates
// nothing.
void simulateReferenceResponse(const RunRecord& run, double timeStep, const ModelConstants* lanes,
                               int count, const double* bounds, int referenceMin, int referenceMax,
                               ReferenceResponse* responses, const FrameRange& scored = kWholeRun);

// The same for any number of sets in any mix of delays: they are grouped by
// delay into passes. bounds: one a set, or nullptr.
void simulateSets(const RunRecord& run, double timeStep, const ModelConstants* sets, int count,
                  const double* bounds, double* sums, const FrameRange& scored = kWholeRun);
void referenceResponses(const RunRecord& run, double timeStep, const ModelConstants* sets, int count,
                        const double* bounds, int referenceMin, int referenceMax, ReferenceResponse* responses,
                        const FrameRange& scored = kWholeRun);

// ModelRmsError of every set, in any mix of delays.
void evaluateModels(const RunRecord& run, double timeStep, const ModelParameters* sets, int count,
                    double* modelRms);

// The vector unit the passes run on: "avx512f", "avx2", "sse2" or
// "portable", the widest the processor has unless useModelLanesUnit chose
// another.
const char* modelLanesUnit();

// Every unit the processor has, widest first; "portable" is always last.
std::vector<const char*> modelLanesUnits();

// Runs the passes on the named unit from now on (tests and benchmarks
// compare the units). False, changing nothing, when the processor lacks it.
bool useModelLanesUnit(std::string_view name);

}  // namespace quelvar
