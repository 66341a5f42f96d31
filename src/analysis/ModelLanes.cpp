#include "analysis/ModelLanes.h"

#include <algorithm>
#include <immintrin.h>
#include <atomic>
#include <cstddef>

namespace quelvar {
namespace {

// Each unit gets vectors of its own width. A lane's operations are the
// scalar IEEE ones (the build never contracts them into fused multiply-adds),
// so every unit gives the same bits.
using Vec8 = double __attribute__((vector_size(64)));  // AVX-512
using Vec4 = double __attribute__((vector_size(32)));  // AVX2
using Vec2 = double __attribute__((vector_size(16)));  // SSE2

// Running sums are compared with the bound once per block of frames: often
// enough to stop early, rarely enough to cost nothing.
constexpr int kBlock = 24;
static_assert(kRunFrames % kBlock == 0);

struct Pass {
    const double* target;
    const double* mouse;
    double timeStep;
    double bound;
    const ModelConstants* lanes;
    int count;
    double* sums;
};

// The same pass compiled for each vector unit. The output limit uses the
// unit's min and max instructions: one instruction each on the chain
// o(i-1) -> o(i) where a compare and a blend would take two. MIN(1000, x) is
// "1000 < x ? 1000 : x" and MAX(x, -1000) is "x > -1000 ? x : -1000", so NaN
// goes to -1000 and everything else exactly as in RunModel. The masked forms
// keep g++ from warning about the unmasked forms' undefined pass-through.
#pragma GCC push_options
#pragma GCC target("avx512f")
namespace avx512 {
using Vec = Vec8;
[[gnu::always_inline]] inline Vec limit(Vec x)
{
    const __m512d upper = _mm512_set1_pd(1000.0);
    const __m512d lower = _mm512_set1_pd(-1000.0);
    const __m512d held = _mm512_mask_min_pd(upper, 0xFF, upper, __m512d(x));
    return Vec(_mm512_mask_max_pd(held, 0xFF, held, lower));
}
#include "analysis/ModelLanesPass.inc"
void run(const Pass& pass) { runAnyPass(pass); }
}  // namespace avx512
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx2")
namespace avx2 {
using Vec = Vec4;
[[gnu::always_inline]] inline Vec limit(Vec x)
{
    const __m256d held = _mm256_min_pd(_mm256_set1_pd(1000.0), __m256d(x));
    return Vec(_mm256_max_pd(held, _mm256_set1_pd(-1000.0)));
}
#include "analysis/ModelLanesPass.inc"
void run(const Pass& pass) { runAnyPass(pass); }
}  // namespace avx2
#pragma GCC pop_options

namespace sse2 {
using Vec = Vec2;
[[gnu::always_inline]] inline Vec limit(Vec x)
{
    const __m128d held = _mm_min_pd(_mm_set1_pd(1000.0), __m128d(x));
    return Vec(_mm_max_pd(held, _mm_set1_pd(-1000.0)));
}
#include "analysis/ModelLanesPass.inc"
void run(const Pass& pass) { runAnyPass(pass); }
}  // namespace sse2

struct Unit {
    const char* name;
    bool (*available)();
    void (*run)(const Pass&);
};

// __builtin_cpu_init: the units may be asked for before the library's own
// start-up code has looked at the processor.
constexpr Unit kUnits[] = {
    {"avx512f", [] { __builtin_cpu_init(); return __builtin_cpu_supports("avx512f") != 0; }, avx512::run},
    {"avx2", [] { __builtin_cpu_init(); return __builtin_cpu_supports("avx2") != 0; }, avx2::run},
    {"sse2", [] { return true; }, sse2::run},
};

const Unit* widestUnit()
{
    for (const Unit& unit : kUnits) {
        if (unit.available())
            return &unit;
    }
    return &kUnits[2];
}

// Chosen once; tests and benchmarks may choose another unit the processor has.
std::atomic<const Unit*> currentUnit{widestUnit()};

}  // namespace

void simulateLanes(const RunRecord& run, double timeStep, const ModelConstants* lanes, int count,
                   double bound, double* sums)
{
    if (count <= 0)
        return;
    const Pass pass{run.Target.data(), run.Mouse.data(), timeStep, bound, lanes,
                    std::min(count, kMaxModelLanes), sums};
    currentUnit.load(std::memory_order_relaxed)->run(pass);
}

void evaluateModels(const RunRecord& run, double timeStep, const ModelParameters* sets, int count,
                    double* modelRms)
{
    for (int chunk = 0; chunk < count; chunk += kMaxModelLanes) {
        const int size = std::min(kMaxModelLanes, count - chunk);
        ModelConstants constants[kMaxModelLanes];
        bool done[kMaxModelLanes] = {};
        for (int k = 0; k < size; ++k)
            constants[k] = modelConstants(sets[chunk + k]);
        // Each pass takes the sets of the chunk that share the first
        // remaining set's delay.
        for (int first = 0; first < size; ++first) {
            if (done[first])
                continue;
            ModelConstants group[kMaxModelLanes];
            int members[kMaxModelLanes];
            int n = 0;
            for (int k = first; k < size; ++k) {
                if (!done[k] && constants[k].d == constants[first].d) {
                    group[n] = constants[k];
                    members[n++] = k;
                    done[k] = true;
                }
            }
            double sums[kMaxModelLanes];
            simulateLanes(run, timeStep, group, n, kNoBound, sums);
            for (int k = 0; k < n; ++k)
                modelRms[chunk + members[k]] = rmsPercent(sums[k]);
        }
    }
}

const char* modelLanesUnit() { return currentUnit.load()->name; }

bool useModelLanesUnit(std::string_view name)
{
    for (const Unit& unit : kUnits) {
        if (unit.name == name && unit.available()) {
            currentUnit = &unit;
            return true;
        }
    }
    return false;
}

}  // namespace quelvar
