#include "support/SyntheticRuns.h"

#include <cmath>

namespace quelvar::test {

std::unique_ptr<RunRecord> sineRun(const SineRun& s)
{
    auto run = std::make_unique<RunRecord>();
    for (int i = 1; i <= kRunFrames; ++i) {
        run->Target[i] = s.target * std::sin(i / s.period + s.phase) + s.offset;
        run->Mouse[i] = s.mouse * std::sin((i - s.lag) / s.period + s.phase) + s.offset;
        run->Error[i] = run->Target[i] - run->Mouse[i];
    }
    return run;
}

double twoSineTarget(int frame) { return 300.0 * std::sin(frame * 0.011) + 150.0 * std::sin(frame * 0.037 + 0.5); }

std::unique_ptr<RunRecord> modelRun(const ModelParameters& parameters)
{
    auto run = std::make_unique<RunRecord>();
    for (int i = 1; i <= kRunFrames; ++i)
        run->Target[i] = twoSineTarget(i);
    auto results = std::make_unique<ModelResults>();
    DelayLine delay;
    RunModel(parameters, 1.0 / 60.0, *run, delay, *results);
    run->Mouse = results->ModelMouseTrace;
    return run;
}

}  // namespace quelvar::test
