#include "analysis/FitUncertainty.h"

#include "analysis/ModelLanes.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

namespace quelvar {
namespace {

// SplitMix64: a fixed, portable generator whose every output is defined by
// its seed, unlike the standard library's distributions.
class SplitMix64 {
public:
    explicit SplitMix64(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in 0 ... n-1: draws below 2^64 mod n are redrawn, so that every
    // value has the same number of draws.
    std::uint64_t below(std::uint64_t n)
    {
        const std::uint64_t threshold = (0 - n) % n;
        for (;;) {
            const std::uint64_t x = next();
            if (x >= threshold)
                return x % n;
        }
    }

private:
    std::uint64_t state_;
};

constexpr FrameRange kFirstHalf{1, kRunFrames / 2};
constexpr FrameRange kSecondHalf{kRunFrames / 2 + 1, kRunFrames};

// The 2.5 % and 97.5 % percentiles of one parameter: with n values sorted,
// the k-th from either end, k = floor(0.025 (n + 1)) but at least 1 (the 5th
// of 200), so that both ends are values the replicates took.
template <class Field>
void percentiles(std::vector<SpinnerSetting>& values, Field field, SpinnerSetting& low, SpinnerSetting& high)
{
    std::sort(values.begin(), values.end(), [&](const SpinnerSetting& a, const SpinnerSetting& b) {
        return a.*field < b.*field;
    });
    const std::size_t n = values.size();
    const std::size_t k = std::max<std::size_t>(1, (n + 1) * 25 / 1000);
    low.*field = values[k - 1].*field;
    high.*field = values[n - k].*field;
}

}  // namespace

std::uint64_t bootstrapSeed(const RunRecord& run)
{
    // FNV-1a over the values' bytes, least significant first on any machine.
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (const FrameArray* values : {&run.Target, &run.Mouse}) {
        for (int i = 1; i <= kRunFrames; ++i) {
            std::uint64_t bits;
            std::memcpy(&bits, &(*values)[static_cast<std::size_t>(i)], sizeof bits);
            for (int b = 0; b < 8; ++b) {
                hash ^= (bits >> (8 * b)) & 0xFF;
                hash *= 0x100000001B3ull;
            }
        }
    }
    return hash;
}

void bootstrapReplicate(const RunRecord& run, const FrameArray& modelMouse, const FrameArray& residual,
                        std::uint64_t seed, int index, int blockFrames, RunRecord& replicate)
{
    const int length = std::clamp(blockFrames, 1, kRunFrames);
    // Each replicate draws from a stream of its own, so replicates can be
    // made in any order, or side by side.
    SplitMix64 random(SplitMix64(seed ^ static_cast<std::uint64_t>(index)).next() + static_cast<std::uint64_t>(index));
    replicate.Target = run.Target;
    for (int i = 1; i <= kRunFrames; i += length) {
        const int start = 1 + static_cast<int>(random.below(static_cast<std::uint64_t>(kRunFrames - length + 1)));
        for (int j = 0; j < length && i + j <= kRunFrames; ++j)
            replicate.Mouse[static_cast<std::size_t>(i + j)] =
                modelMouse[static_cast<std::size_t>(i + j)] + residual[static_cast<std::size_t>(start + j)];
    }
}

double holdoutRms(const RunRecord& run, double timeStep, const SearchSpace& space, const ThoroughResult& fit)
{
    // Delays past the range say nothing about how well the fit generalises.
    SearchSpace within = space;
    within.beyondDelayMax = space.delayMax;
    double sum = 0.0;
    for (const auto& [fitted, scored] : {std::pair{kFirstHalf, kSecondHalf}, std::pair{kSecondHalf, kFirstHalf}}) {
        const ThoroughResult half = thoroughFit(run, timeStep, within, fit.best.at, fitted);
        const ModelConstants constants = modelConstants(parametersOf(half.best.at));
        double squares = 0.0;
        simulateSets(run, timeStep, &constants, 1, nullptr, &squares, scored);
        sum += rmsPercent(squares, scored.count());
    }
    return sum / 2.0;
}

FitUncertainty bootstrapIntervals(const RunRecord& run, double timeStep, const SearchSpace& space,
                                  const ThoroughResult& fit, const UncertaintyOptions& options)
{
    FitUncertainty result;

    auto model = std::make_unique<ModelResults>();
    DelayLine delay;
    RunModel(parametersOf(fit.best.at), timeStep, run, delay, *model);
    // The mouse minus the model's mouse: the model's error trace negated.
    auto residual = std::make_unique<FrameArray>();
    std::transform(model->ModelErrorTrace.begin(), model->ModelErrorTrace.end(), residual->begin(),
                   [](double modelError) { return -modelError; });

    const std::uint64_t seed = bootstrapSeed(run);
    auto replicate = std::make_unique<RunRecord>();
    for (int b = 0; b < options.replicates; ++b) {
        bootstrapReplicate(run, model->ModelMouseTrace, *residual, seed, b, options.blockFrames, *replicate);
        result.replicates.push_back(refitNear(*replicate, timeStep, space, fit).at);
    }
    if (result.replicates.empty()) {
        result.low = result.high = fit.best.at;
        return result;
    }
    std::vector<SpinnerSetting> sorted = result.replicates;
    percentiles(sorted, &SpinnerSetting::delay, result.low, result.high);
    percentiles(sorted, &SpinnerSetting::gain, result.low, result.high);
    percentiles(sorted, &SpinnerSetting::damping, result.low, result.high);
    percentiles(sorted, &SpinnerSetting::reference, result.low, result.high);
    return result;
}

FitUncertainty fitUncertainty(const RunRecord& run, double timeStep, const SearchSpace& space,
                              const ThoroughResult& fit, const UncertaintyOptions& options)
{
    FitUncertainty result = bootstrapIntervals(run, timeStep, space, fit, options);
    result.holdoutRms = holdoutRms(run, timeStep, space, fit);
    return result;
}

}  // namespace quelvar
