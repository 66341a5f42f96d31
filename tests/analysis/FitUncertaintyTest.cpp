#include "analysis/FitUncertainty.h"
#include "analysis/ModelLanes.h"
#include "support/ModelRuns.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace quelvar {
namespace {

using test::modelRun;

constexpr double kStep = 1.0 / 60.0;
constexpr int SpinnerSetting::*kFields[] = {&SpinnerSetting::delay, &SpinnerSetting::gain, &SpinnerSetting::damping,
                                            &SpinnerSetting::reference};
const SearchSpace kSpace = [] {
    SearchSpace space = SearchSpace::ofSpinners(ParameterSpinners{});
    space.beyondDelayMax = space.delayMax;
    return space;
}();

// Fewer replicates than quelvar-fit draws keep the batches quick; with 39
// the intervals run from the least to the largest, which the 2.5 % rule
// gives for that number too.
FitUncertainty intervalsOf(const RunRecord& run, int replicates = 39)
{
    return bootstrapIntervals(run, kStep, kSpace, thoroughFit(run, kStep, kSpace), {replicates, 60});
}

TEST(FitUncertainty, IntervalsHoldTheTrueSettingAtAboutTheNominalRate)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "a batch takes a minute under the sanitizers; the tests below run the same code there";
#endif
    // Settings a person might track with (gain times delay well below the
    // loop's limit); half the runs with white noise, half with noise that
    // carries most of itself to the next frame.
    std::mt19937 random(5);
    std::uniform_int_distribution<int> delay(2, 12), gain(20, 150), damping(0, 300), reference(-4, 4);
    int held = 0;
    for (unsigned n = 0; n < 8; ++n) {
        SpinnerSetting truth;
        do {
            truth = {delay(random), gain(random), damping(random), reference(random)};
        } while (truth.gain * 0.1 * (truth.delay + 1) / 60.0 > 1.0);
        const FitUncertainty u = intervalsOf(*modelRun(truth, {15.0, n % 2 ? 0.9 : 0.0, n + 1}, 173 * static_cast<int>(n)));
        for (const auto field : kFields)
            held += u.low.*field <= truth.*field && truth.*field <= u.high.*field;
        // Far from the spinners' whole ranges: an interval that says something.
        EXPECT_LT(u.high.gain - u.low.gain, 40) << "run " << n;
        EXPECT_LT(u.high.damping - u.low.damping, 500) << "run " << n;
    }
    // 95 % of 32 is 30.4; 27 or fewer would be far below it.
    EXPECT_GE(held, 28);
}

TEST(FitUncertainty, IntervalsNarrowAsTheNoiseFallsAndEveryVectorUnitGivesThemAlike)
{
    const std::string widest = modelLanesUnit();
    SpinnerSetting wider{1000, 1000, 1000, 1000};
    for (double size : {40.0, 10.0, 2.5}) {
        SCOPED_TRACE(testing::Message() << "noise " << size);
        const auto run = modelRun({6, 60, 100, 2}, {size, 0.5, 3});
        const FitUncertainty u = intervalsOf(*run);
        for (const auto field : kFields)
            EXPECT_LE(u.high.*field - u.low.*field, wider.*field);
        EXPECT_LT(u.high.gain - u.low.gain, wider.gain);
        EXPECT_LT(u.high.damping - u.low.damping, wider.damping);
        for (const auto field : kFields)
            wider.*field = u.high.*field - u.low.*field;
        for (const char* unit : {"avx2", "sse2", "portable"})
            if (size == 40.0 && useModelLanesUnit(unit))
                EXPECT_EQ(intervalsOf(*run, 4).replicates, std::vector(u.replicates.begin(), u.replicates.begin() + 4));
        useModelLanesUnit(widest);
    }
}

TEST(FitUncertainty, ANoiseFreeRunGivesIntervalsOfOnePositionAtTheTruthAndNoHoldoutError)
{
    for (const SpinnerSetting truth : {SpinnerSetting{7, 80, 150, 0}, SpinnerSetting{3, 120, 40, -3}}) {
        const auto run = modelRun(truth);
        const FitUncertainty u = fitUncertainty(*run, kStep, kSpace, thoroughFit(*run, kStep, kSpace), {20, 60});
        EXPECT_EQ(u.low, truth);
        EXPECT_EQ(u.high, truth);
        EXPECT_EQ(u.replicates.size(), 20u);
        EXPECT_LT(u.holdoutRms, 0.01);
    }
    // White noise is out of sample what it is in sample.
    const auto noisy = modelRun({5, 70, 60, 1}, {20.0, 0.0, 9});
    const ThoroughResult fit = thoroughFit(*noisy, kStep, kSpace);
    EXPECT_NEAR(holdoutRms(*noisy, kStep, kSpace, fit), fit.best.modelRms, 0.1 * fit.best.modelRms);
}

TEST(FitUncertainty, AReplicateIsBlocksOfTheResidualDrawnFromTheRunsOwnSeed)
{
    // A residual that counts the frames shows where each block was cut.
    auto run = modelRun({4, 50, 50, 0});
    FrameArray model{}, residual{};
    for (int i = 1; i <= kRunFrames; ++i) {
        model[i] = 1000.0 * i;
        residual[i] = i;
    }
    const std::uint64_t seed = bootstrapSeed(*run);
    auto first = std::make_unique<RunRecord>(), other = std::make_unique<RunRecord>();
    bootstrapReplicate(*run, model, residual, seed, 7, 60, *first);
    bootstrapReplicate(*run, model, residual, seed, 8, 60, *other);
    EXPECT_NE(first->Mouse, other->Mouse);
    EXPECT_EQ(first->Target, run->Target);
    for (int i = 1; i <= kRunFrames; ++i) {
        const double drawn = first->Mouse[i] - model[i];
        if ((i - 1) % 60 == 0)
            EXPECT_TRUE(drawn >= 1 && drawn <= kRunFrames - 59) << "block at frame " << i;
        else
            EXPECT_EQ(drawn, first->Mouse[i - 1] - model[i - 1] + 1) << "frame " << i;
    }
    run->Mouse[1800] += 1e-9;
    EXPECT_NE(bootstrapSeed(*run), seed);
}

}  // namespace
}  // namespace quelvar
