#include "analysis/ModelLanes.h"
#include "support/ModelRuns.h"
#include "support/SyntheticRuns.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace quelvar {
namespace {

using test::sameBits;

// Ordinary spinner positions mixed with sets that drive the output into its
// limits or make it NaN (which the limit sends to -1000).
std::vector<ModelParameters> testSets(int count)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<ModelParameters> sets = {
        {2, 20, 20, 0},     {0, 500, 0, 100},   {16, 500, 1000, -100}, {nan, 20, 20, 0},
        {2, nan, 20, 0},    {2, 20, nan, 0},    {2, 20, 20, nan},      {2, inf, 20, 0},
        {3, 1e300, 1e300, 5}, {-2, 30, 10, 15}, {300, 50, 5, -25},     {2.5, 1e6, 0, 0},
        {1e300, 20, 20, 0}, {0, -400, 0, 0},    {5, 20, -inf, 0},      {60, 80, 3, 44},
    };
    std::mt19937 random(11);
    std::uniform_int_distribution<int> delay(0, 20), gain(0, 500), damp(0, 1000), ref(-100, 100);
    while (static_cast<int>(sets.size()) < count) {
        sets.push_back({static_cast<double>(delay(random)), static_cast<double>(gain(random)),
                        static_cast<double>(damp(random)), static_cast<double>(ref(random))});
    }
    sets.resize(static_cast<std::size_t>(count));
    return sets;
}

// A wavy target and a mouse that follows it with noise, far enough from the
// model that no set fits it exactly.
class ModelLanesTest : public testing::Test, protected test::ModelBench {
protected:
    ModelLanesTest()
    {
        run = test::laggingRun(
            [](int i) { return 380.0 * std::sin(i / 97.0) + 120.0 * std::sin(i / 23.0); }, {});
    }
    void TearDown() override { useModelLanesUnit(defaultUnit); }
    std::string defaultUnit = modelLanesUnit();
};

TEST_F(ModelLanesTest, EveryLaneOnEveryUnitTheProcessorHasGivesTheScalarModelsBits)
{
    // Counts that fill one, two and four vectors exactly, partly, and spill
    // into a second chunk; the sets mix delays, so passes are grouped.
    const std::vector<ModelParameters> sets = testSets(75);
    EXPECT_FALSE(useModelLanesUnit("mmx")) << "a unit the processor lacks is refused";
    EXPECT_EQ(modelLanesUnit(), defaultUnit);
    std::vector<double> expected;
    for (const ModelParameters& p : sets)
        expected.push_back(rms(p));
    std::string ran;
    for (const char* unit : modelLanesUnits()) {
        ASSERT_TRUE(useModelLanesUnit(unit));
        ran += std::string(ran.empty() ? "" : " ") + unit;
        for (int count : {1, 7, 8, 13, 16, 17, 32, 33, 75}) {
            SCOPED_TRACE(testing::Message() << unit << ", " << count << " sets");
            std::vector<double> rms(static_cast<std::size_t>(count), -1.0);
            evaluateModels(*run, 1.0 / 60.0, sets.data(), count, rms.data());
            for (int k = 0; k < count; ++k)
                ASSERT_TRUE(sameBits(rms[k], expected[k])) << "set " << k << ": " << rms[k] << " vs " << expected[k];
        }
    }
    // Which units this machine checked, in the XML report and on the console.
    RecordProperty("units", ran);
    std::cout << "[ units    ] " << ran << std::endl;
    EXPECT_EQ(ran.substr(ran.rfind(' ') + 1), "portable");
    EXPECT_STREQ(modelLanesUnit(), "portable");
}

TEST_F(ModelLanesTest, AScoredRangeGivesTheScalarTracesSumOverItsFramesOnEveryUnit)
{
    // Halves, single frames at both ends and a range whose ends fall inside
    // the passes' blocks. The response pass's sum is its r = 0 error.
    std::vector<ModelParameters> sets = testSets(20);
    std::vector<ModelConstants> lanes;
    for (ModelParameters& p : sets) {
        p.Ref = 0.0;
        lanes.push_back(modelConstants(p));
    }
    const int count = static_cast<int>(lanes.size());
    for (const FrameRange range : {FrameRange{1, 1800}, {1801, 3600}, {1, 1}, {3600, 3600}, {100, 2417}}) {
        std::vector<double> expected;
        for (const ModelParameters& p : sets) {
            RunModel(p, 1.0 / 60.0, *run, delay, *results);
            expected.push_back(sumOfSquares(results->ModelErrorTrace, range));
        }
        for (const char* unit : modelLanesUnits()) {
            ASSERT_TRUE(useModelLanesUnit(unit));
            SCOPED_TRACE(testing::Message() << unit << ", frames " << range.first << "-" << range.last);
            std::vector<double> sums(lanes.size(), -1.0);
            std::vector<ReferenceResponse> responses(lanes.size());
            simulateSets(*run, 1.0 / 60.0, lanes.data(), count, nullptr, sums.data(), range);
            referenceResponses(*run, 1.0 / 60.0, lanes.data(), count, nullptr, -10, 10, responses.data(), range);
            for (int k = 0; k < count; ++k) {
                EXPECT_TRUE(sameBits(sums[k], expected[k])) << "set " << k << ": " << sums[k] << " vs " << expected[k];
                EXPECT_TRUE(sameBits(responses[k].sum, expected[k])) << "set " << k;
            }
        }
    }
}

TEST_F(ModelLanesTest, APassIsCutShortOnlyWhenEveryLanePassedTheBound)
{
    std::vector<ModelConstants> lanes;
    std::vector<double> exact;
    for (double gain : {40.0, 80.0, 160.0, 320.0}) {
        lanes.push_back(modelConstants({4, gain, 20, 0}));
        rms({4, gain, 20, 0});
        exact.push_back(results->ModelErrorSquares);
    }
    const double best = *std::min_element(exact.begin(), exact.end());
    const double worst = *std::max_element(exact.begin(), exact.end());
    // A pass with the lanes' bounds given ends with each lane's sum expected, to the bit.
    const auto expectPass = [&](std::vector<double> bounds, std::vector<double> expected) {
        double sums[4];
        simulateLanes(*run, 1.0 / 60.0, lanes.data(), 4, bounds.data(), sums);
        for (int k = 0; k < 4; ++k)
            EXPECT_TRUE(sameBits(sums[k], expected[k])) << k;
    };
    // One lane can still end at or below the bound: every lane runs to the
    // end and reports its exact sum.
    expectPass({best, best, best, best}, exact);
    // None can: the pass stops and says so.
    expectPass({best / 2, best / 2, best / 2, best / 2}, std::vector(4, kNoBound));
    // Each lane has its own bound.
    expectPass({exact[0] / 2, exact[1] / 2, exact[2] / 2, worst}, exact);
}

// And a pass bounded below every reference's error proves a lower bound for
// them all; a bound that some reference reaches lets the pass run to the end.
TEST_F(ModelLanesTest, TheReferenceResponseGivesEachReferencesErrorAsAParabola)
{
    // Gains from gentle to far past the stable range, where the limit acts.
    const std::vector<std::pair<double, double>> sets = {
        {30, 40}, {60, 40}, {100, 10}, {120, 40}, {4000, 40}};  // gain, damping
    std::vector<ModelConstants> lanes;
    for (const auto& [gain, damping] : sets)
        lanes.push_back(modelConstants({6, gain, damping, 0}));
    std::vector<ReferenceResponse> responses(lanes.size());
    std::vector<double> least(lanes.size());  // each set's least sum over every r
    for (const char* unit : modelLanesUnits()) {
        ASSERT_TRUE(useModelLanesUnit(unit));
        SCOPED_TRACE(unit);
        simulateReferenceResponse(*run, 1.0 / 60.0, lanes.data(), static_cast<int>(lanes.size()),
                                  nullptr, -10, 10, responses.data());
        for (std::size_t k = 0; k < sets.size(); ++k) {
            const auto [gain, damping] = sets[k];
            SCOPED_TRACE(testing::Message() << "gain " << gain << ", damping " << damping);
            rms({6, gain, damping, 0});
            EXPECT_TRUE(sameBits(responses[k].sum, results->ModelErrorSquares));
            EXPECT_EQ(responses[k].limitMayAct(), gain > 1000);
            if (responses[k].limitMayAct())
                continue;
            double best = kNoBound;
            int bestReference = 0;
            for (int r = -10; r <= 10; ++r) {
                rms({6, gain, damping, 10.0 * r});
                const double exact = results->ModelErrorSquares;
                EXPECT_NEAR(responses[k].at(r), exact, 1e-9 * exact) << "r " << r;
                EXPECT_TRUE(responses[k].mayReach(r, exact)) << "r " << r;
                EXPECT_FALSE(responses[k].mayReach(r, exact * 0.999)) << "r " << r;
                if (exact < best) {
                    best = exact;
                    bestReference = r;
                }
            }
            least[k] = best;
            EXPECT_EQ(responses[k].bestReference(-10, 10), bestReference);
        }
        ReferenceResponse bounded[2];  // gain 60 damping 40, gain 100 damping 10
        const double low[2] = {least[1] / 3, least[2] / 3};
        simulateReferenceResponse(*run, 1.0 / 60.0, &lanes[1], 2, low, -10, 10, bounded);
        for (int k = 0; k < 2; ++k) {
            EXPECT_TRUE(bounded[k].cutShort);
            EXPECT_FALSE(bounded[k].limitMayAct());
            EXPECT_GT(bounded[k].least, low[k]);
            EXPECT_LE(bounded[k].least, least[k + 1]);
        }
        simulateReferenceResponse(*run, 1.0 / 60.0, &lanes[1], 2, &least[1], -10, 10, bounded);
        EXPECT_FALSE(bounded[0].cutShort);
    }
}

TEST_F(ModelLanesTest, AReferenceThatDrivesTheOutputIntoTheLimitIsSeen)
{
    // Outputs near 930 at reference 0, which a reference of 100 positions
    // (1000 units) carries into the limit of 1000; 20 positions do not.
    for (int i = 1; i <= kRunFrames; ++i) {
        run->Target[i] *= 1.85;
        run->Mouse[i] *= 1.85;
    }
    const struct {
        double gain, damping;
        int lo, hi;
        bool reaches;
    } cases[] = {
        {60, 0, -100, 100, true}, {120, 40, 0, 100, true}, {120, 40, -100, 0, true},
        {60, 200, -100, 100, false}, {120, 0, -20, 20, false},
    };
    const auto peakAt = [&](double gain, double damping, int r) {
        rms({6, gain, damping, 10.0 * r});
        const auto& trace = results->ModelMouseTrace;
        const auto [low, high] = std::minmax_element(trace.begin() + 1, trace.end());
        return std::max(-*low, *high);
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "gain " << c.gain << " damping " << c.damping << " r " << c.lo << " ... " << c.hi);
        ASSERT_LT(peakAt(c.gain, c.damping, 0), kLinearPeak) << "only the reference may reach the limit";
        ASSERT_EQ(std::max(peakAt(c.gain, c.damping, c.lo), peakAt(c.gain, c.damping, c.hi)) >= kLinearPeak, c.reaches);
        const ModelConstants lane = modelConstants({6, c.gain, c.damping, 0});
        for (const char* unit : modelLanesUnits()) {
            ASSERT_TRUE(useModelLanesUnit(unit));
            ReferenceResponse response;
            simulateReferenceResponse(*run, 1.0 / 60.0, &lane, 1, nullptr, c.lo, c.hi, &response);
            EXPECT_EQ(response.limitMayAct(), c.reaches) << unit;
        }
    }
}

}  // namespace
}  // namespace quelvar
