#include "analysis/ThoroughFit.h"
#include "analysis/AnalysisSession.h"
#include "analysis/ControlModel.h"
#include "analysis/ExhaustiveFit.h"
#include "analysis/FitUncertainty.h"
#include "analysis/ModelLanes.h"
#include "support/AnalysisHarness.h"
#include "support/ModelRuns.h"
#include "support/SyntheticRuns.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>

namespace quelvar {
namespace {

constexpr double kStep = 1.0 / 60.0;
const SearchSpace kSpinners = SearchSpace::ofSpinners(ParameterSpinners{});
using test::modelRun;
using test::sameBits;

// A mouse that lags the target with noise, as a person's.
std::unique_ptr<RunRecord> noisyRun(unsigned seed)
{
    const int shift = static_cast<int>(seed) * 97;
    return test::laggingRun([&](int i) { return test::smoothTarget(i + shift); },
                            {0.92, 11, 4.0, 12.0, seed});
}

double exactRms(const RunRecord& run, const SpinnerSetting& at)
{
    return test::modelRms(run, parametersOf(at));
}

TEST(ThoroughFit, IsNeverWorseThanAutoFitAndReportsExactErrors)
{
    const std::unique_ptr<RunRecord> runs[] = {
        modelRun({7, 80, 150, 3}), modelRun({1, 300, 20, -2}), noisyRun(1), noisyRun(2),
        std::make_unique<RunRecord>()};  // the last all zeros
    for (std::size_t n = 0; n < std::size(runs); ++n) {
        SCOPED_TRACE(testing::Message() << "run " << n);
        // "Auto Fit" in the window, then the next frame: the spinners' setting
        // and the error the window shows for it.
        test::AnalysisHarness h;
        h.state->run = *runs[n];
        h.session.AnalysisFrame();
        h.session.AutoFitBtnClick();
        h.session.AnalysisFrame();
        const FitPoint window{.at = settingOf(h.state->analysis.Spinners),
                              .modelRms = h.state->analysis.Results.ModelRmsError};
        const ThoroughResult result = thoroughFit(*runs[n], kStep, kSpinners, window.at);
        EXPECT_LE(result.best.modelRms, window.modelRms);
        EXPECT_TRUE(kSpinners.contains(result.best.at));
        EXPECT_TRUE(sameBits(result.best.modelRms, exactRms(*runs[n], result.best.at)));
        ASSERT_EQ(result.profile.size(), 17u);
        for (int d = 0; d <= 16; ++d) {
            const FitPoint& p = result.profile[static_cast<std::size_t>(d)];
            EXPECT_EQ(p.at.delay, d);
            EXPECT_TRUE(sameBits(p.modelRms, exactRms(*runs[n], p.at))) << "delay " << d;
            EXPECT_FALSE(better(p, result.best)) << "delay " << d;
        }
    }
}

TEST(ThoroughFit, RecoversTheDelayAndReferenceOfAModelGeneratedRunUnlessItsRoundsRunOut)
{
    const SpinnerSetting cases[] = {{7, 80, 150, 3}, {12, 45, 0, -4}, {0, 120, 600, 6}};
    for (const SpinnerSetting& made : cases) {
        SCOPED_TRACE(testing::Message() << "delay " << made.delay << " reference " << made.reference);
        const auto run = modelRun(made);
        const ThoroughResult result = thoroughFit(*run, kStep, kSpinners);
        EXPECT_EQ(result.best.at.delay, made.delay);
        EXPECT_EQ(result.best.at.reference, made.reference);
        EXPECT_LE(result.best.modelRms, exactRms(*run, made));
        EXPECT_FALSE(result.beyond);
        EXPECT_TRUE(result.converged);
        // A search whose rounds run out says so.
        const ThoroughResult cut = thoroughFit(*run, kStep, kSpinners, std::nullopt, kWholeRun, 1);
        EXPECT_FALSE(cut.converged);
        EXPECT_TRUE(sameBits(cut.best.modelRms, exactRms(*run, cut.best.at))) << "still exact";
    }
}

TEST(ThoroughFit, ADelayPastTheSpinnersRangeIsReportedWhenItFitsBetter)
{
    const auto run = modelRun({24, 25, 50, 2});
    const ThoroughResult result = thoroughFit(*run, kStep, kSpinners);
    EXPECT_EQ(result.best.at.delay, 16);
    ASSERT_TRUE(result.beyond);
    EXPECT_EQ(result.beyond->at.delay, 24);
    EXPECT_EQ(result.beyond->at.reference, 2);
    EXPECT_LT(result.beyond->modelRms, result.best.modelRms);
    EXPECT_TRUE(sameBits(result.beyond->modelRms, exactRms(*run, result.beyond->at)));
}

// The settings from `low` to `high`, with no delays beyond.
SearchSpace within(const SpinnerSetting& low, const SpinnerSetting& high)
{
    return {low.delay,    high.delay,    low.gain,       high.gain, low.damping,
            high.damping, low.reference, high.reference, high.delay};
}

// Every setting of a small space, one at a time with RunModel: the best and
// the best of each delay, chosen in the fits' order.
ThoroughResult everySetting(const RunRecord& run, const SearchSpace& space)
{
    ThoroughResult all;
    all.profile.resize(static_cast<std::size_t>(space.delayCount()));
    for (int d = space.delayMin; d <= space.delayMax; ++d)
        for (int g = space.gainMin; g <= space.gainMax; ++g)
            for (int k = space.dampingMin; k <= space.dampingMax; ++k)
                for (int r = space.referenceMin; r <= space.referenceMax; ++r) {
                    const FitPoint p{.at = {d, g, k, r}, .modelRms = exactRms(run, {d, g, k, r})};
                    FitPoint& best = all.profile[static_cast<std::size_t>(d - space.delayMin)];
                    if (better(p, best))
                        best = p;
                    if (better(p, all.best))
                        all.best = p;
                }
    return all;
}

TEST(ExhaustiveFit, FindsWhatEvaluatingEverySettingFindsWhateverTheThreads)
{
    const SearchSpace small = within({8, 30, 0, -1}, {12, 75, 6, 2});
    const auto noisy = noisyRun(3);
    const auto made = modelRun({10, 60, 3, 1});
    for (const RunRecord* run : {noisy.get(), made.get()}) {
        const ThoroughResult expected = everySetting(*run, small);
        const ThoroughResult seed = thoroughFit(*run, kStep, small);
        for (int threads : {1, 2}) {
            SCOPED_TRACE(testing::Message() << threads << " threads");
            const ThoroughResult found = exhaustiveFit(*run, kStep, small, seed, threads);
            EXPECT_EQ(found.best.at, expected.best.at);
            EXPECT_TRUE(sameBits(found.best.modelRms, expected.best.modelRms));
            ASSERT_EQ(found.profile.size(), expected.profile.size());
            for (std::size_t d = 0; d < found.profile.size(); ++d) {
                EXPECT_EQ(found.profile[d].at, expected.profile[d].at) << "delay " << small.delayMin + d;
                EXPECT_TRUE(sameBits(found.profile[d].modelRms, expected.profile[d].modelRms));
            }
        }
        // A seed far from the best changes how much is cut short, not the result.
        ThoroughResult poorSeed = seed;
        for (FitPoint& p : poorSeed.profile)
            p.squares *= 4.0;
        EXPECT_EQ(exhaustiveFit(*run, kStep, small, poorSeed, 2).best.at, expected.best.at);
    }
}

TEST(ExhaustiveFit, AgreesWithTheThoroughFitOnASmallSetOfRuns)
{
    const SearchSpace space = within({0, 0, 0, -5}, {12, 160, 200, 5});
    const std::unique_ptr<RunRecord> runs[] = {noisyRun(4), noisyRun(5), modelRun({4, 110, 70, -3}),
                                               std::make_unique<RunRecord>()};
    for (std::size_t n = 0; n < std::size(runs); ++n) {
        SCOPED_TRACE(testing::Message() << "run " << n);
        const ThoroughResult thorough = thoroughFit(*runs[n], kStep, space);
        const ThoroughResult exhaustive = exhaustiveFit(*runs[n], kStep, space, thorough, 2);
        EXPECT_EQ(exhaustive.best.at, thorough.best.at);
        EXPECT_TRUE(sameBits(exhaustive.best.modelRms, thorough.best.modelRms));
        // All zeros: every setting with r = 0 fits exactly; the smallest wins.
        if (n == 3)
            EXPECT_EQ(thorough.best.at, (SpinnerSetting{0, 0, 0, 0}));
    }
}

constexpr int SpinnerSetting::*kFields[] = {&SpinnerSetting::delay, &SpinnerSetting::gain,
                                            &SpinnerSetting::damping, &SpinnerSetting::reference};
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
    return bootstrapIntervals(run, kStep, kSpace, thoroughFit(run, kStep, kSpace),
                              {replicates, 60});
}

TEST(FitUncertainty, IntervalsHoldTheTrueSettingAtAboutTheNominalRate)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP()
        << "a batch takes a minute under the sanitizers; the tests below run the same code there";
#endif
    // Settings a person might track with (gain times delay well below the
    // loop's limit); half the runs with white noise, half with noise that
    // carries most of itself to the next frame.
    std::mt19937 random(5);
    std::uniform_int_distribution<int> delay(2, 12), gain(20, 150), damping(0, 300),
        reference(-4, 4);
    int held = 0;
    for (unsigned n = 0; n < 8; ++n) {
        SpinnerSetting truth;
        do {
            truth = {delay(random), gain(random), damping(random), reference(random)};
        } while (truth.gain * 0.1 * (truth.delay + 1) / 60.0 > 1.0);
        const FitUncertainty u = intervalsOf(
            *modelRun(truth, {15.0, n % 2 ? 0.9 : 0.0, n + 1}, 173 * static_cast<int>(n)));
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
                EXPECT_EQ(intervalsOf(*run, 4).replicates,
                          std::vector(u.replicates.begin(), u.replicates.begin() + 4));
        useModelLanesUnit(widest);
    }
}

TEST(FitUncertainty, ANoiseFreeRunGivesIntervalsOfOnePositionAtTheTruthAndNoHoldoutError)
{
    for (const SpinnerSetting truth :
         {SpinnerSetting{7, 80, 150, 0}, SpinnerSetting{3, 120, 40, -3}}) {
        const auto run = modelRun(truth);
        const FitUncertainty u =
            fitUncertainty(*run, kStep, kSpace, thoroughFit(*run, kStep, kSpace), {20, 60});
        EXPECT_EQ((std::array{u.low, u.high}), (std::array{truth, truth}));
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
    auto first = std::make_unique<RunRecord>(), other = std::make_unique<RunRecord>(),
         again = std::make_unique<RunRecord>();
    bootstrapReplicate(*run, model, residual, seed, 7, 60, *first);
    bootstrapReplicate(*run, model, residual, seed, 8, 60, *other);
    bootstrapReplicate(*run, model, residual, seed, 7, 60, *again);
    EXPECT_EQ(first->Mouse, again->Mouse);
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
