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

}  // namespace quelvar::test
