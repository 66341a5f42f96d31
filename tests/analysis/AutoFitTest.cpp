#include "analysis/AutoFit.h"
#include "analysis/ControlModel.h"
#include "common/Rounding.h"
#include "support/AllocationCounter.h"
#include "support/ModelRuns.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace quelvar {
namespace {

struct Range {
    const char* name;
    int lower;
    int upper;
    double middle;
};

// The four spinners' ranges and the middle that a flat error settles on.
constexpr Range kRanges[] = {
    {"gain", 0, 500, 250.0}, {"reference", -100, 100, 0.0}, {"delay", 0, 16, 8.0}, {"damping", 0, 1000, 500.0}};

// Errors of a known shape on the spinners' ranges: where the search ends and
// after how many evaluations.
TEST(FitParameter, EndsWhereTheShapeOfTheErrorSendsIt)
{
    struct Case {
        std::string name;
        Range range;
        std::function<double(int evaluation)> error;  // counted from 1
        double end;
        int evaluations;
        bool reverses = false;  // each trial worse than the last
    };
    std::vector<Case> cases;
    // Equal errors never reverse, so the step never shrinks and only the
    // trial limit stops the search, on the first trial, the middle.
    for (const Range& range : kRanges)
        cases.push_back(
            {std::string("flat ") + range.name, range, [](int) { return 4.0; }, range.middle, 22});
    // Every trial worse than the last: the search reverses on every round,
    // 8 times for gain (step 0.00064), 6 for delay (0.000512), 9 for
    // damping (0.000256), and keeps the first trial, the middle.
    const int rising[] = {9, 9, 7, 10};
    for (int r = 0; r < 4; ++r)
        cases.push_back({std::string("rising ") + kRanges[r].name, kRanges[r],
                         [](int n) { return double(n); }, kRanges[r].middle, rising[r] + 1, true});
    // An error that keeps falling walks past the upper bound until the trial limit.
    cases.push_back({"falling gain", kRanges[0], [](int n) { return 1000.0 - n; }, 21 * 250.0, 22});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        double field = 12345.0;
        std::vector<double> trials;
        FitParameter(field, c.range.lower, c.range.upper, [&] {
            trials.push_back(field);
            return c.error(static_cast<int>(trials.size()));
        });
        EXPECT_EQ(field, c.end);
        EXPECT_EQ(static_cast<int>(trials.size()), c.evaluations);
        for (std::size_t i = 2; c.reverses && i < trials.size(); ++i) {
            const double step = trials[i] - trials[i - 1], last = trials[i - 1] - trials[i - 2];
            EXPECT_NEAR(step, -last / 5.0, 1e-12) << "trial " << i - 1;
        }
    }
}

TEST(FitParameter, DelaySearchVisitsTheTrialsOfTheWorkedExample)
{
    double field = 0.0;
    std::vector<double> trials;
    FitParameter(field, 0, 16, [&] {
        trials.push_back(field);
        return std::fabs(static_cast<double>(roundHalfEven(field) - 3));
    });
    const std::vector<double> expected = {0,     8,     6.4,   4.8,   3.2,   1.6,   1.92,  2.24,
                                          2.56,  2.88,  3.2,   3.52,  3.456, 3.392, 3.328, 3.264,
                                          3.2,   3.136, 3.072, 3.008, 2.944, 2.88};
    ASSERT_EQ(trials.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(trials[i], expected[i], 1e-9) << "evaluation " << i;
    // The first trial to reach the least error wins over later equal ones.
    EXPECT_EQ(field, trials[4]);
    EXPECT_NEAR(field, 3.2, 1e-12);
    EXPECT_EQ(roundHalfEven(field), 3);
}

TEST(FitParameter, TheLowerBoundIsOnlyChosenWhenATrialReturnsToIt)
{
    // The least error lies at the lower bound, but the evaluation there is
    // only the reference for the first comparison.
    double field = 0.0;
    FitParameter(field, 0, 16, [&] { return field == 0.0 ? -1.0 : 1.0; });
    EXPECT_EQ(field, 8.0);

    // A search that comes back to the bound exactly (250 - 5 x 50) keeps it.
    FitParameter(field, 0, 500, [&] { return std::fabs(field); });
    EXPECT_EQ(field, 0.0);
}

class ModelFit : public testing::Test, protected test::ModelBench {
protected:
    ModelParameters parameters{2.0, 20.0, 20.0, 0.0};

    double evaluate() { return rms(parameters); }
    void pass()
    {
        auto evaluateModel = [this] { return evaluate(); };
        FitParameter(parameters.OutGain, 0, 500, evaluateModel);
        FitParameter(parameters.Ref, -100, 100, evaluateModel);
        FitParameter(parameters.InDelay, 0, 16, evaluateModel);
        FitParameter(parameters.Damp, 0, 1000, evaluateModel);
    }
};

TEST_F(ModelFit, AnAllZeroRunLeavesEveryParameterAtItsMiddle)
{
    pass();
    EXPECT_EQ(parameters.OutGain, 250.0);
    EXPECT_EQ(parameters.Ref, 0.0);
    EXPECT_EQ(parameters.InDelay, 8.0);
    EXPECT_EQ(parameters.Damp, 500.0);
}

TEST_F(ModelFit, RecoversTheParametersOfARunTheModelItselfProduced)
{
    // A mouse produced by the model with delay 7, gain 80, damping 150 and
    // reference 30 must be fitted with about those values.
    run = test::modelRun({7, 80, 150, 3});
    for (int p = 0; p < 5; ++p)
        pass();
    EXPECT_EQ(roundHalfEven(parameters.InDelay), 7);
    EXPECT_EQ(roundHalfEven(parameters.Ref / 10.0), 3);
    EXPECT_NEAR(parameters.OutGain, 80.0, 2.0);
    EXPECT_NEAR(parameters.Damp, 150.0, 15.0);
    EXPECT_LT(evaluate(), 0.05);
}

TEST_F(ModelFit, ASearchAllocatesNothing)
{
    for (int i = 1; i <= kRunFrames; ++i)
        run->Target[i] = 200.0 * std::sin(i * 0.02);
    auto evaluateModel = [this] { return evaluate(); };
    test::AllocationCounter counter;
    FitParameter(parameters.OutGain, 0, 500, evaluateModel);
    EXPECT_EQ(counter.count(), 0u);
}

}  // namespace
}  // namespace quelvar
