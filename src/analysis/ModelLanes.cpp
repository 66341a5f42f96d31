#include "analysis/ModelLanes.h"

#include "common/Rounding.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <iterator>
#include <vector>
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace quelvar {
namespace {

// Each unit gets vectors of its own width. A lane's operations are the
// scalar IEEE ones (the build never contracts them into fused multiply-adds),
// so every unit gives the same bits.
using Vec2 = double __attribute__((vector_size(16)));  // SSE2, NEON, or plain registers

// Running sums are compared with the bound once per block of frames: often
// enough to stop early, rarely enough to cost nothing.
constexpr int kBlock = 24;
static_assert(kRunFrames % kBlock == 0);

struct Pass {
    const double* target;
    const double* mouse;
    double timeStep;
    const double* bounds;  // one a lane; nullptr: no bounds
    const ModelConstants* lanes;
    int count;
    double* sums;                           // plain passes
    ReferenceResponse* responses = nullptr;  // response passes
    double referenceMin = 0.0;              // response passes: the r searched
    double referenceMax = 0.0;
    FrameRange scored = kWholeRun;          // the frames summed; the pass ends at the last
};

// The same pass compiled for each vector unit. Only the x86 units name
// instructions (each compiled for its unit by g++'s target pragma, or by the
// attribute clang applies instead, for the fuzzing build); the portable one
// says the same in GCC's vector extensions, which every 64-bit target
// compiles (to NEON on arm64, to plain registers where nothing wider exists).
//
// The output limit uses the unit's min and max instructions: one instruction
// each on the chain o(i-1) -> o(i) where a compare and a blend would take
// two. MIN(1000, x) is "1000 < x ? 1000 : x" and MAX(x, -1000) is
// "x > -1000 ? x : -1000", so NaN goes to -1000 and everything else exactly
// as in RunModel. The masked forms keep g++ from warning about the unmasked
// forms' undefined pass-through.
#if defined(__x86_64__)
using Vec8 = double __attribute__((vector_size(64)));  // AVX-512
using Vec4 = double __attribute__((vector_size(32)));  // AVX2

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f")
#endif
namespace avx512 {
using Vec = Vec8;
[[gnu::always_inline]] inline Vec limit(Vec x)
{
    const __m512d upper = _mm512_set1_pd(1000.0);
    const __m512d lower = _mm512_set1_pd(-1000.0);
    const __m512d held = _mm512_mask_min_pd(upper, 0xFF, upper, __m512d(x));
    return Vec(_mm512_mask_max_pd(held, 0xFF, held, lower));
}
[[gnu::always_inline]] inline Vec maxOf(Vec a, Vec b)
{
    return Vec(_mm512_mask_max_pd(__m512d(a), 0xFF, __m512d(a), __m512d(b)));
}
#include "analysis/ModelLanesPass.inc"
}  // namespace avx512
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
namespace avx2 {
using Vec = Vec4;
[[gnu::always_inline]] inline Vec limit(Vec x)
{
    const __m256d held = _mm256_min_pd(_mm256_set1_pd(1000.0), __m256d(x));
    return Vec(_mm256_max_pd(held, _mm256_set1_pd(-1000.0)));
}
[[gnu::always_inline]] inline Vec maxOf(Vec a, Vec b) { return Vec(_mm256_max_pd(__m256d(a), __m256d(b))); }
#include "analysis/ModelLanesPass.inc"
}  // namespace avx2
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

namespace sse2 {
using Vec = Vec2;
[[gnu::always_inline]] inline Vec limit(Vec x)
{
    const __m128d held = _mm_min_pd(_mm_set1_pd(1000.0), __m128d(x));
    return Vec(_mm_max_pd(held, _mm_set1_pd(-1000.0)));
}
[[gnu::always_inline]] inline Vec maxOf(Vec a, Vec b) { return Vec(_mm_max_pd(__m128d(a), __m128d(b))); }
#include "analysis/ModelLanesPass.inc"
}  // namespace sse2
#endif

// The limit written as the comparisons the min and max instructions make, so
// NaN goes to -1000 here too.
namespace portable {
using Vec = Vec2;
[[gnu::always_inline]] inline Vec limit(Vec x)
{
    const Vec upper = Vec{} + 1000.0;
    const Vec lower = Vec{} - 1000.0;
    const Vec held = upper < x ? upper : x;
    return held > lower ? held : lower;
}
[[gnu::always_inline]] inline Vec maxOf(Vec a, Vec b) { return a > b ? a : b; }
#include "analysis/ModelLanesPass.inc"
}  // namespace portable

struct Unit {
    const char* name;
    bool (*available)();
    void (*run)(const Pass&);
};

// __builtin_cpu_init: the units may be asked for before the library's own
// start-up code has looked at the processor.
// Widest first; the portable unit, last, runs anywhere.
constexpr Unit kUnits[] = {
#if defined(__x86_64__)
    {"avx512f", [] { __builtin_cpu_init(); return __builtin_cpu_supports("avx512f") != 0; }, avx512::run},
    {"avx2", [] { __builtin_cpu_init(); return __builtin_cpu_supports("avx2") != 0; }, avx2::run},
    {"sse2", [] { return true; }, sse2::run},
#endif
    {"portable", [] { return true; }, portable::run},
};

const Unit* widestUnit()
{
    for (const Unit& unit : kUnits) {
        if (unit.available())
            return &unit;
    }
    return &kUnits[std::size(kUnits) - 1];
}

// Chosen at the first pass (constant-initialised, so a pass made while other
// static objects are constructed finds it); tests and benchmarks may choose
// another unit the processor has.
std::atomic<const Unit*> chosenUnit{nullptr};

const Unit& currentUnit()
{
    const Unit* unit = chosenUnit.load(std::memory_order_acquire);
    if (!unit) {
        unit = widestUnit();
        chosenUnit.store(unit, std::memory_order_release);
    }
    return *unit;
}

}  // namespace

void simulateLanes(const RunRecord& run, double timeStep, const ModelConstants* lanes, int count,
                   const double* bounds, double* sums, const FrameRange& scored)
{
    if (count <= 0)
        return;
    Pass pass{run.Target.data(), run.Mouse.data(), timeStep, bounds, lanes, std::min(count, kMaxModelLanes), sums};
    pass.scored = scored;
    currentUnit().run(pass);
}

void simulateReferenceResponse(const RunRecord& run, double timeStep, const ModelConstants* lanes,
                               int count, const double* bounds, int referenceMin, int referenceMax,
                               ReferenceResponse* responses, const FrameRange& scored)
{
    if (count <= 0)
        return;
    Pass pass{run.Target.data(), run.Mouse.data(), timeStep, bounds, lanes, std::min(count, kMaxModelLanes), nullptr};
    pass.responses = responses;
    pass.referenceMin = referenceMin;
    pass.referenceMax = referenceMax;
    pass.scored = scored;
    currentUnit().run(pass);
}

bool ReferenceResponse::limitMayAct() const
{
    return !(peak < kLinearPeak) || !(response < kNoBound) || !(sum < kNoBound);
}

double ReferenceResponse::at(int r) const { return sum + r * (2.0 * cross + r * response); }

int ReferenceResponse::bestReference(int lo, int hi) const
{
    // The parabola is convex, so the whole number nearest its vertex is its
    // least whole value.
    double vertex = 0.0;
    if (response > 0.0 && std::isfinite(response) && std::isfinite(cross))
        vertex = -cross / response;
    return static_cast<int>(roundHalfEvenClamped(vertex, lo, hi));
}

bool ReferenceResponse::mayReach(int r, double bound) const
{
    const double scale = sum + std::abs(r) * (2.0 * std::fabs(cross) + std::abs(r) * response);
    return !(at(r) - kParabolaTolerance * scale > bound);
}

namespace {

// Lays any sets out in groups of one delay, padded with copies of their first
// set, and calls pass(lanes, members, used) for every pass of whole groups;
// members[k] is the set in lane k, or -1 for a copy.
template <class Run>
void inPasses(const ModelConstants* sets, int count, Run&& pass)
{
    std::vector<int> order(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k)
        order[static_cast<std::size_t>(k)] = k;
    // By delay, then as given (std::stable_sort's buffer trips the address
    // sanitizer of g++ 12).
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return sets[a].d != sets[b].d ? sets[a].d < sets[b].d : a < b; });

    ModelConstants lanes[kMaxModelLanes];
    int members[kMaxModelLanes];
    int used = 0;
    for (std::size_t n = 0; n < order.size(); ++n) {
        const int k = order[n];
        lanes[used] = sets[k];
        members[used++] = k;
        const bool groupEnds = n + 1 == order.size() || sets[order[n + 1]].d != sets[k].d;
        if (groupEnds) {
            while (used % kLaneGroup != 0) {
                lanes[used] = lanes[used - used % kLaneGroup];
                members[used++] = -1;
            }
        }
        if (used == kMaxModelLanes || (n + 1 == order.size() && used > 0)) {
            pass(lanes, members, used);
            used = 0;
        }
    }
}

// The bounds of a pass's lanes; a copy takes the bound of its group's first
// set.
void copyBounds(const double* bounds, const int* members, int used, double* laneBounds)
{
    for (int k = 0; bounds && k < used; ++k) {
        const int source = members[k] >= 0 ? members[k] : members[k - k % kLaneGroup];
        laneBounds[k] = bounds[source];
    }
}

}  // namespace

void simulateSets(const RunRecord& run, double timeStep, const ModelConstants* sets, int count,
                  const double* bounds, double* sums, const FrameRange& scored)
{
    inPasses(sets, count, [&](const ModelConstants* lanes, const int* members, int used) {
        double laneBounds[kMaxModelLanes];
        copyBounds(bounds, members, used, laneBounds);
        double laneSums[kMaxModelLanes];
        simulateLanes(run, timeStep, lanes, used, bounds ? laneBounds : nullptr, laneSums, scored);
        for (int k = 0; k < used; ++k) {
            if (members[k] >= 0)
                sums[members[k]] = laneSums[k];
        }
    });
}

void referenceResponses(const RunRecord& run, double timeStep, const ModelConstants* sets, int count,
                        const double* bounds, int referenceMin, int referenceMax, ReferenceResponse* responses,
                        const FrameRange& scored)
{
    inPasses(sets, count, [&](const ModelConstants* lanes, const int* members, int used) {
        double laneBounds[kMaxModelLanes];
        copyBounds(bounds, members, used, laneBounds);
        ReferenceResponse laneResponses[kMaxModelLanes];
        simulateReferenceResponse(run, timeStep, lanes, used, bounds ? laneBounds : nullptr, referenceMin,
                                  referenceMax, laneResponses, scored);
        for (int k = 0; k < used; ++k) {
            if (members[k] >= 0)
                responses[members[k]] = laneResponses[k];
        }
    });
}

void evaluateModels(const RunRecord& run, double timeStep, const ModelParameters* sets, int count,
                    double* modelRms)
{
    std::vector<ModelConstants> constants(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k)
        constants[static_cast<std::size_t>(k)] = modelConstants(sets[k]);
    simulateSets(run, timeStep, constants.data(), count, nullptr, modelRms);
    for (int k = 0; k < count; ++k)
        modelRms[k] = rmsPercent(modelRms[k]);
}

const char* modelLanesUnit() { return currentUnit().name; }

std::vector<const char*> modelLanesUnits()
{
    std::vector<const char*> names;
    for (const Unit& unit : kUnits) {
        if (unit.available())
            names.push_back(unit.name);
    }
    return names;
}

bool useModelLanesUnit(std::string_view name)
{
    for (const Unit& unit : kUnits) {
        if (unit.name == name && unit.available()) {
            chosenUnit = &unit;
            return true;
        }
    }
    return false;
}

}  // namespace quelvar
