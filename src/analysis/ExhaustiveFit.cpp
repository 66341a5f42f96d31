#include "analysis/ExhaustiveFit.h"

#include "analysis/ModelLanes.h"
#include "common/WorkThreads.h"

#include <algorithm>
#include <atomic>

namespace quelvar {
namespace {

// The least sum of squares found so far for one delay, shared by the threads.
// It only falls, and only to sums of positions that were evaluated to the end.
class SharedBound {
public:
    explicit SharedBound(double squares) : squares_(squares) {}
    SharedBound(const SharedBound& other) : squares_(other.squares_.load()) {}

    double get() const { return squares_.load(std::memory_order_relaxed); }
    void lowerTo(double squares)
    {
        double current = get();
        while (squares < current && !squares_.compare_exchange_weak(current, squares, std::memory_order_relaxed)) {
        }
    }

private:
    std::atomic<double> squares_;
};

class Exhaustive {
public:
    Exhaustive(const RunRecord& run, double timeStep, const SearchSpace& space, const ThoroughResult& seed)
        : run_(run), timeStep_(timeStep), space_(space)
    {
        for (int d = space.delayMin; d <= space.delayMax; ++d) {
            const std::size_t index = static_cast<std::size_t>(d - space.delayMin);
            const bool seeded = index < seed.profile.size() && seed.profile[index].at.delay == d
                             && space.contains(seed.profile[index].at);
            bounds_.emplace_back(seeded ? seed.profile[index].squares : kNoBound);
        }
    }

    // One job: every gain and reference at one delay and damping. Keeps the
    // best of its positions in `best` (one a delay).
    void runJob(int job, std::vector<FitPoint>& best, std::int64_t& modelRuns)
    {
        const int dampings = space_.dampingMax - space_.dampingMin + 1;
        const int delayIndex = job / dampings;
        const int delay = space_.delayMin + delayIndex;
        const int damping = space_.dampingMin + job % dampings;
        SharedBound& bound = bounds_[static_cast<std::size_t>(delayIndex)];
        FitPoint& delayBest = best[static_cast<std::size_t>(delayIndex)];
        auto consider = [&](const SpinnerSetting& at, double squares) {
            FitPoint p;
            p.at = at;
            p.squares = squares;
            p.modelRms = rmsPercent(squares);
            if (better(p, delayBest)) {
                delayBest = p;
                bound.lowerTo(squares);
            }
        };

        // The settings still to run exactly: every r of a gain whose limit
        // may act, the r its parabola cannot rule out otherwise.
        std::vector<SpinnerSetting> exact;
        for (int firstGain = space_.gainMin; firstGain <= space_.gainMax; firstGain += kMaxModelLanes) {
            const int count = std::min(kMaxModelLanes, space_.gainMax - firstGain + 1);
            ModelConstants lanes[kMaxModelLanes];
            double laneBounds[kMaxModelLanes];
            const double limit = boundAbove(bound.get());
            for (int k = 0; k < count; ++k) {
                lanes[k] = modelConstants(parametersOf({delay, firstGain + k, damping, 0}));
                laneBounds[k] = limit;
            }
            ReferenceResponse responses[kMaxModelLanes];
            simulateReferenceResponse(run_, timeStep_, lanes, count, laneBounds, space_.referenceMin,
                                      space_.referenceMax, responses);
            modelRuns += count;
            for (int k = 0; k < count; ++k) {
                const ReferenceResponse& response = responses[k];
                if (response.least > limit)
                    continue;  // no r can reach the bound
                const bool linear = !response.limitMayAct();
                for (int r = space_.referenceMin; r <= space_.referenceMax; ++r) {
                    const SpinnerSetting at{delay, firstGain + k, damping, r};
                    if (!linear)
                        exact.push_back(at);
                    else if (r == 0 && !(response.sum > limit))
                        consider(at, response.sum);  // the r = 0 run itself, exact
                    else if (r != 0 && response.mayReach(r, limit))
                        exact.push_back(at);
                }
            }
        }
        runExactly(exact, bound, consider, modelRuns);
    }

    template <class Consider>
    void runExactly(const std::vector<SpinnerSetting>& settings, const SharedBound& bound, Consider&& consider,
                    std::int64_t& modelRuns)
    {
        for (std::size_t first = 0; first < settings.size(); first += kMaxModelLanes) {
            const int count = static_cast<int>(std::min<std::size_t>(kMaxModelLanes, settings.size() - first));
            ModelConstants lanes[kMaxModelLanes];
            double laneBounds[kMaxModelLanes];
            const double limit = boundAbove(bound.get());
            for (int k = 0; k < count; ++k) {
                lanes[k] = modelConstants(parametersOf(settings[first + static_cast<std::size_t>(k)]));
                laneBounds[k] = limit;
            }
            double sums[kMaxModelLanes];
            simulateLanes(run_, timeStep_, lanes, count, laneBounds, sums);
            modelRuns += count;
            for (int k = 0; k < count; ++k) {
                // An infinite sum (a pass cut short) cannot beat a finite bound.
                if (sums[k] == kNoBound && limit != kNoBound)
                    continue;
                consider(settings[first + static_cast<std::size_t>(k)], sums[k]);
            }
        }
    }

    int jobCount() const
    {
        return space_.delayCount() * (space_.dampingMax - space_.dampingMin + 1);
    }

private:
    const RunRecord& run_;
    double timeStep_;
    SearchSpace space_;
    std::vector<SharedBound> bounds_;
};

}  // namespace

ThoroughResult exhaustiveFit(const RunRecord& run, double timeStep, const SearchSpace& space,
                             const ThoroughResult& seed, int threads)
{
    Exhaustive search(run, timeStep, space, seed);
    const std::size_t delays = static_cast<std::size_t>(space.delayCount());
    const int workers = workThreadCount(static_cast<std::size_t>(search.jobCount()), threads);
    std::vector<std::vector<FitPoint>> bests(static_cast<std::size_t>(workers), std::vector<FitPoint>(delays));
    std::vector<std::int64_t> runs(static_cast<std::size_t>(workers), 0);
    runOnWorkThreads(static_cast<std::size_t>(search.jobCount()), workers, [&](std::size_t job, int worker) {
        const auto w = static_cast<std::size_t>(worker);
        search.runJob(static_cast<int>(job), bests[w], runs[w]);
    });

    ThoroughResult result;
    result.profile.resize(delays);
    for (std::size_t d = 0; d < delays; ++d) {
        for (const std::vector<FitPoint>& best : bests) {
            if (better(best[d], result.profile[d]))
                result.profile[d] = best[d];
        }
        if (better(result.profile[d], result.best))
            result.best = result.profile[d];
    }
    if (seed.beyond && better(*seed.beyond, result.best))
        result.beyond = seed.beyond;
    for (std::int64_t n : runs)
        result.modelRuns += n;
    return result;
}

}  // namespace quelvar
