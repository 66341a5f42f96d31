#include "analysis/ControlModel.h"
#include "analysis/AutoFit.h"
#include "common/DisplayText.h"
#include "common/Rounding.h"
#include "support/AllocationCounter.h"
#include "support/ModelRuns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace quelvar {
namespace {

std::string shown(double value) { return std::string(formatPrintfFixed(value, 3, 6).view()); }

class Model : public testing::Test, protected test::ModelBench {
protected:
    // The spinners' default positions.
    ModelParameters parameters = parametersOf(settingOf(ParameterSpinners{}));

    void simulate() { rms(parameters); }
    // One pass of Auto Fit: each parameter in turn, in the window's order.
    void pass()
    {
        auto evaluateModel = [this] { return rms(parameters); };
        FitParameter(parameters.OutGain, 0, 500, evaluateModel);
        FitParameter(parameters.Ref, -100, 100, evaluateModel);
        FitParameter(parameters.InDelay, 0, 16, evaluateModel);
        FitParameter(parameters.Damp, 0, 1000, evaluateModel);
    }
    double o(int frame) const { return results->ModelMouseTrace[static_cast<std::size_t>(frame)]; }
    auto errors() const { return std::array{results->ModelRmsError, results->TrackingRmsError}; }
};

TEST_F(Model, DefaultSpinnersTrackAConstantTargetAsWorkedOut)
{
    run->Target.fill(100.0);
    simulate();

    EXPECT_EQ((std::array{o(1), o(2)}), (std::array{0.0, 0.0}));
    EXPECT_DOUBLE_EQ(o(3), 200.0 / 60.0);
    EXPECT_NEAR(o(4), 6.6656, 5e-5);
    EXPECT_NEAR(o(5), 9.9967, 5e-5);
    EXPECT_NEAR(o(3600), 100.0 * 2.0 / (2.0 + 0.02), 1e-3);
    EXPECT_EQ(shown(results->ModelRmsError), " 9.843");
    EXPECT_EQ(shown(results->TrackingRmsError), "10.000");
    EXPECT_EQ(results->ModelErrorTrace[3], o(3) - 0.0);
    EXPECT_EQ(results->TrackingErrorTrace[7], -100.0);
}

TEST_F(Model, WithoutGainOrDampingTheOutputHoldsTheFirstMousePosition)
{
    follow([](int i) { return 37.5 + std::sin(i * 0.01) * 200.0; },
           [](int i) { return std::cos(i * 0.02) * 300.0; });
    parameters = {2.0, 0.0, 0.0, 0.0};
    simulate();
    for (int i = 1; i <= kRunFrames; ++i) {
        ASSERT_EQ(o(i), run->Mouse[1]) << "frame " << i;
        ASSERT_EQ(results->ModelErrorTrace[i], run->Mouse[1] - run->Mouse[i]) << "frame " << i;
        ASSERT_EQ(results->TrackingErrorTrace[i], run->Mouse[i] - run->Target[i]) << "frame " << i;
    }
}

TEST_F(Model, WithoutGainTheOutputDecaysByTheDampingPerFrame)
{
    run->Mouse.fill(400.0);
    run->Target.fill(-250.0);
    parameters = {0.0, 0.0, 300.0, 0.0};  // K = 0.3
    simulate();
    for (int i = 1; i <= 100; ++i)
        ASSERT_NEAR(o(i), 400.0 * std::pow(1.0 - 0.3 / 60.0, i), 1e-9 * 400.0) << "frame " << i;
}

TEST_F(Model, ALargeGainIsPinnedAtExactlyPlusOrMinusOneThousand)
{
    for (int i = 1; i <= kRunFrames; ++i)
        run->Target[i] = (i / 50) % 2 == 0 ? 400.0 : -400.0;
    parameters = {0.0, 1e9, 0.0, 0.0};
    simulate();
    const auto& trace = results->ModelMouseTrace;
    const auto [low, high] = std::minmax_element(trace.begin() + 1, trace.end());
    EXPECT_EQ((std::array{*low, *high}), (std::array{-1000.0, 1000.0}));
    EXPECT_FALSE(std::isnan(results->ModelRmsError)) << "no output is NaN";
}

TEST_F(Model, TheReferenceIsRoundedToWholeUnitsHalvesToEven)
{
    // With target, mouse and delay 0 and G = 1, the first output is r / 60.
    const std::pair<double, double> cases[] = {{5, 0},    {-5, 0},   {15, 2},   {25, 2},
                                               {-15, -2}, {-25, -2}, {100, 10}, {-100, -10},
                                               {16, 2},   {34, 3}};
    for (const auto& [ref, r] : cases) {
        parameters = {0.0, 10.0, 0.0, ref};
        simulate();
        EXPECT_EQ(o(1), r * (1.0 / 60.0)) << "reference spinner " << ref;
    }
}

TEST_F(Model, TheDelayHoldsPerceptionBackForWholeFramesModulo256)
{
    follow([](int) { return 10.0; }, [](int i) { return 50.0 + i; });
    // With G = 1 and no damping, o moves only once the delayed perception
    // arrives; q(d + 1) = M(1) - T(1).
    const struct {
        double delay;
        int frames;
    } cases[] = {{0, 0}, {2, 2}, {2.5, 2}, {3.5, 4}, {16, 16}, {-2, 254}, {256, 0}, {257.4, 1},
                   {4503599627370499.0, 3}, {-4503599627370499.0, 253}, {1e300, 0}, {-1e300, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "delay " << c.delay);
        parameters = {c.delay, 10.0, 0.0, 0.0};
        simulate();
        for (int i = 1; i <= c.frames; ++i)
            ASSERT_EQ(o(i), 10.0) << "frame " << i;
        const double q = run->Mouse[1] - run->Target[1];
        EXPECT_EQ(o(c.frames + 1), 10.0 + (1.0 * (0.0 - q) - 0.0 * 10.0) / 60.0);
    }
}

TEST_F(Model, WildParametersStillGiveBoundedTraces)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    follow([](int) { return 20.0; }, [](int i) { return std::sin(i * 0.01) * 300.0; });
    const ModelParameters cases[] = {
        {nan, 20, 20, 0}, {2, nan, 20, 0}, {2, 20, nan, 0}, {2, 20, 20, nan},
        {1e300, 20, 20, 0}, {-1e300, 20, 20, 0}, {2, 1e300, 20, 0}, {2, 20, 1e300, 0},
        {2, 20, 20, 1e300}, {inf, -inf, inf, -inf}, {-1e18, 5, 5, -1e19},
    };
    for (const ModelParameters& p : cases) {
        SCOPED_TRACE(testing::Message() << p.InDelay << " " << p.OutGain << " " << p.Damp << " " << p.Ref);
        parameters = p;
        simulate();
        for (int i = 1; i <= kRunFrames; ++i) {
            ASSERT_GE(o(i), -1000.0) << "frame " << i;
            ASSERT_LE(o(i), 1000.0) << "frame " << i;
        }
        EXPECT_TRUE(std::isfinite(results->ModelRmsError));
    }
    // A NaN output is sent to the lower limit, not the upper.
    parameters = {0.0, nan, 0.0, 0.0};
    simulate();
    EXPECT_EQ(o(1), -1000.0);
}

TEST_F(Model, ErrorsAreRootMeanSquaresAsPercentagesOfAThousandUnits)
{
    for (int i = 1; i <= kRunFrames; ++i) {
        run->Mouse[i] = 3.0;
        run->Target[i] = 3.0;
        // Half the frames 30 off, half 10 off: mean square 500.
        results->ModelErrorTrace[i] = i % 2 == 0 ? 30.0 : -10.0;
        results->TrackingErrorTrace[i] = 0.0;
    }
    ComputeErrors(*results);
    EXPECT_DOUBLE_EQ(results->ModelRmsError, std::sqrt(500.0) / 10.0);
    EXPECT_EQ(shown(results->TrackingRmsError), " 0.000");

    parameters = {0.0, 0.0, 0.0, 0.0};
    simulate();  // mouse equals target in every frame
    EXPECT_EQ(errors(), (std::array{0.0, 0.0}));
}

// And the delay line's starting position does not matter.
TEST_F(Model, TheSumsTakenAlongTheSimulationEqualThoseReadFromTheTraces)
{
    follow([](int i) { return std::sin(i * 0.0031) * 310.0 + (i % 7) * 0.37; },
           [](int i) { return std::sin(i * 0.0042 + 1.0) * 350.0; });
    for (const ModelParameters& p :
         {ModelParameters{0, 37, 3, 4}, ModelParameters{5, 120, 45, -23},
          ModelParameters{16, 500, 0, 100}, ModelParameters{9, 120, 45, 7}}) {
        parameters = p;
        simulate();
        const auto trace = results->ModelMouseTrace;
        const auto along = errors();
        ComputeErrors(*results);  // now from the traces
        EXPECT_EQ(errors(), along);
        delay.WriteIndex = 201;
        delay.Slots.fill(1e6);
        simulate();
        EXPECT_EQ(results->ModelMouseTrace, trace);
        EXPECT_EQ(errors(), along);
    }
}

// The search behind "Auto Fit", one parameter at a time.
struct Range {
    const char* name;
    int lower, upper;
    double middle;
};

// The four spinners' ranges and the middle that a flat error settles on.
constexpr Range kRanges[] = {{"gain", 0, 500, 250.0},
                             {"reference", -100, 100, 0.0},
                             {"delay", 0, 16, 8.0},
                             {"damping", 0, 1000, 500.0}};

// Errors of a known shape on the spinners' ranges: where the search ends and
// after how many evaluations.
TEST(FitParameter, EndsWhereTheShapeOfTheErrorSendsIt)
{
    struct Case {
        std::string name;
        Range range;
        std::function<double(double field, int evaluation)> error;  // counted from 1
        double end;
        int evaluations;
        bool reverses = false;  // each trial worse than the last
    };
    std::vector<Case> cases;
    // Equal errors never reverse, so the step never shrinks and only the
    // trial limit stops the search, on the first trial, the middle.
    for (const Range& range : kRanges)
        cases.push_back({std::string("flat ") + range.name, range, [](double, int) { return 4.0; },
                         range.middle, 22});
    // Every trial worse than the last: the search reverses on every round,
    // 8 times for gain (step 0.00064), 6 for delay (0.000512), 9 for
    // damping (0.000256), and keeps the first trial, the middle.
    const int rising[] = {9, 9, 7, 10};
    for (int r = 0; r < 4; ++r)
        cases.push_back({std::string("rising ") + kRanges[r].name, kRanges[r],
                         [](double, int n) { return double(n); }, kRanges[r].middle, rising[r] + 1,
                         true});
    // An error that keeps falling walks past the upper bound until the trial limit.
    cases.push_back(
        {"falling gain", kRanges[0], [](double, int n) { return 1000.0 - n; }, 21 * 250.0, 22});
    // The least error lies at the lower bound, but the evaluation there is
    // only the reference for the first comparison: it is chosen only when a
    // search comes back to it exactly (250 - 5 x 50).
    cases.push_back({"lowest at the lower bound", kRanges[2],
                     [](double field, int) { return field == 0.0 ? -1.0 : 1.0; }, 8.0, 22});
    cases.push_back({"back to the lower bound", kRanges[0],
                     [](double field, int) { return std::fabs(field); }, 0.0, 22});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        double field = 12345.0;
        std::vector<double> trials;
        FitParameter(field, c.range.lower, c.range.upper, [&] {
            trials.push_back(field);
            return c.error(field, static_cast<int>(trials.size()));
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
    const std::vector<double> expected = {0,    8,     6.4,   4.8,   3.2,   1.6,   1.92,  2.24,
                                          2.56, 2.88,  3.2,   3.52,  3.456, 3.392, 3.328, 3.264,
                                          3.2,  3.136, 3.072, 3.008, 2.944, 2.88};
    ASSERT_EQ(trials.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(trials[i], expected[i], 1e-9) << "evaluation " << i;
    // The first trial to reach the least error wins over later equal ones.
    EXPECT_EQ(field, trials[4]);
    EXPECT_NEAR(field, 3.2, 1e-12);
    EXPECT_EQ(roundHalfEven(field), 3);
}

TEST_F(Model, AFitLeavesAnAllZeroRunAtTheMiddlesAndRecoversARunTheModelItselfProduced)
{
    pass();
    EXPECT_EQ(test::fieldsOf(parameters), (std::array{8.0, 250.0, 500.0, 0.0}));

    parameters = parametersOf(settingOf(ParameterSpinners{}));
    // A mouse produced by the model with delay 7, gain 80, damping 150 and
    // reference 30 must be fitted with about those values.
    run = test::modelRun({7, 80, 150, 3});
    for (int p = 0; p < 5; ++p)
        pass();
    EXPECT_EQ(roundHalfEven(parameters.InDelay), 7);
    EXPECT_EQ(roundHalfEven(parameters.Ref / 10.0), 3);
    EXPECT_NEAR(parameters.OutGain, 80.0, 2.0);
    EXPECT_NEAR(parameters.Damp, 150.0, 15.0);
    EXPECT_LT(rms(parameters), 0.05);
}

TEST_F(Model, SimulationErrorsAndASearchAllocateNothing)
{
    run->Target.fill(100.0);
    test::AllocationCounter counter;
    simulate();
    EXPECT_EQ(counter.count(), 0u);
    EXPECT_GT(results->ModelRmsError, 0.0);

    for (int i = 1; i <= kRunFrames; ++i)
        run->Target[i] = 200.0 * std::sin(i * 0.02);
    FitParameter(parameters.OutGain, 0, 500, [this] { return rms(parameters); });
    EXPECT_EQ(counter.count(), 0u);
}

}  // namespace
}  // namespace quelvar
