#include "analysis/ThoroughFit.h"

#include "analysis/ModelLanes.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

namespace quelvar {
namespace {

// The coarse grid every delay starts from, as fractions of the spinner's
// range: denser at low values, where the best gain of a long delay lies (gain
// times delay stays below the loop's stability limit) and where people's
// damping lies. Its best points start pattern searches, whose first steps
// are of a few positions; a second start guards against a second valley.
constexpr double kGainGrid[] = {0, .01, .02, .03, .04, .06, .08, .1, .13, .16, .2, .25, .3, .4, .5, .6, .8, 1};
constexpr double kDampingGrid[] = {0, .03, .06, .1, .15, .2, .3, .5, .75, 1};
constexpr int kGainStartStep = 8;
constexpr int kDampingStartStep = 16;
constexpr int kStarts = 2;
// A refit near a known result starts with steps of a few positions, about
// how far resampled noise moves the best gain and damping.
constexpr int kRefitGainStep = 4;
constexpr int kRefitDampingStep = 16;

std::int64_t key(int gain, int damping) { return (std::int64_t{gain} << 32) | static_cast<std::uint32_t>(damping); }

// Runs the model in lanes for many points at once, of any delays.
class Evaluator {
public:
    Evaluator(const RunRecord& run, double timeStep, const FrameRange& scored)
        : run_(run), timeStep_(timeStep), scored_(scored)
    {
    }

    // Exact errors of the points' settings; a point whose bound is passed may
    // come back with an infinite error.
    void exact(std::vector<FitPoint>& points, const std::vector<double>& bounds = {})
    {
        if (points.empty())
            return;
        std::vector<ModelConstants> sets;
        for (const FitPoint& p : points)
            sets.push_back(modelConstants(parametersOf(p.at)));
        std::vector<double> sums(points.size());
        simulateSets(run_, timeStep_, sets.data(), static_cast<int>(sets.size()),
                     bounds.empty() ? nullptr : bounds.data(), sums.data(), scored_);
        for (std::size_t k = 0; k < points.size(); ++k)
            setSquares(points[k], sums[k]);
        modelRuns_ += static_cast<std::int64_t>(points.size());
    }

    // Gives each point the reference its response puts nearest the bottom of
    // the parabola, and that setting's exact error. r = 0 comes exactly from
    // the response pass itself. With bounds (one a point), a point that
    // cannot reach its bound for any r may come back with an infinite error.
    void withBestReference(std::vector<FitPoint>& points, int referenceMin, int referenceMax,
                           const std::vector<double>& bounds = {})
    {
        std::vector<ModelConstants> sets;
        for (const FitPoint& p : points)
            sets.push_back(modelConstants(parametersOf(p.at)));
        std::vector<ReferenceResponse> responses(points.size());
        referenceResponses(run_, timeStep_, sets.data(), static_cast<int>(sets.size()),
                           bounds.empty() ? nullptr : bounds.data(), referenceMin, referenceMax, responses.data(),
                           scored_);
        modelRuns_ += static_cast<std::int64_t>(points.size());

        std::vector<FitPoint> others;
        std::vector<double> otherBounds;
        std::vector<std::size_t> otherIndex;
        for (std::size_t k = 0; k < points.size(); ++k) {
            const ReferenceResponse& response = responses[k];
            const double bound = bounds.empty() ? kNoBound : bounds[k];
            points[k].at.reference = response.bestReference(referenceMin, referenceMax);
            if (response.least > bound) {
                setSquares(points[k], kNoBound);
            } else if (points[k].at.reference == 0 && !response.cutShort) {
                setSquares(points[k], response.sum);
            } else {
                others.push_back(points[k]);
                otherBounds.push_back(bound);
                otherIndex.push_back(k);
            }
        }
        exact(others, otherBounds);
        for (std::size_t n = 0; n < others.size(); ++n)
            points[otherIndex[n]] = others[n];
    }

    std::int64_t modelRuns() const { return modelRuns_; }

private:
    void setSquares(FitPoint& point, double squares) const
    {
        point.squares = squares;
        point.modelRms = rmsPercent(squares, scored_.count());
    }

    const RunRecord& run_;
    double timeStep_;
    FrameRange scored_;
    std::int64_t modelRuns_ = 0;
};

struct PatternSearch {
    int gain;
    int damping;
    int gainStep;
    int dampingStep;
    bool done = false;
};

// Everything known about one delay.
struct DelaySearch {
    int delay = 0;
    // Points with the reference their response chose, by gain and damping.
    std::unordered_map<std::int64_t, FitPoint> seen;
    std::vector<PatternSearch> searches;
    FitPoint best;
    bool settled = false;

    void note(const FitPoint& point)
    {
        seen.emplace(key(point.at.gain, point.at.damping), point);
        consider(point);
    }
    void consider(const FitPoint& point)
    {
        if (better(point, best))
            best = point;
    }
};

template <std::size_t N>
std::vector<int> gridValues(int lo, int hi, const double (&fractions)[N])
{
    std::vector<int> values;
    for (double f : fractions) {
        const int v = lo + static_cast<int>(std::lround(f * (hi - lo)));
        if (values.empty() || v != values.back())
            values.push_back(v);
    }
    return values;
}

class Thorough {
public:
    Thorough(const RunRecord& run, double timeStep, const SearchSpace& space, const FrameRange& scored,
             int maxRounds = kThoroughMaxRounds)
        : evaluator_(run, timeStep, scored), space_(space), maxRounds_(maxRounds)
    {
        for (int d = space.delayMin; d <= std::max(space.delayMax, space.beyondDelayMax); ++d) {
            delays_.emplace_back();
            delays_.back().delay = d;
        }
    }

    ThoroughResult run(const std::optional<SpinnerSetting>& alsoTry)
    {
        std::vector<DelaySearch*> inRange;
        std::vector<DelaySearch*> beyondRange;
        for (DelaySearch& search : delays_)
            (search.delay <= space_.delayMax ? inRange : beyondRange).push_back(&search);

        ThoroughResult result;
        coarseGrid(inRange, kNoBound);
        result.converged = patternSearches(inRange, kNoBound);
        if (alsoTry && space_.contains(*alsoTry)) {
            std::vector<FitPoint> candidate(1);
            candidate[0].at = *alsoTry;
            evaluator_.exact(candidate);
            delays_[static_cast<std::size_t>(alsoTry->delay - space_.delayMin)].consider(candidate[0]);
        }
        result.converged &= neighbourSearches(inRange, kNoBound);
        for (const DelaySearch* search : inRange) {
            result.profile.push_back(search->best);
            if (better(search->best, result.best))
                result.best = search->best;
        }

        // Past the delay's range only a setting that beats the best within
        // it is of interest, so everything else is cut short.
        const double ceiling = result.best.squares;
        coarseGrid(beyondRange, ceiling);
        result.converged &= patternSearches(beyondRange, ceiling);
        result.converged &= neighbourSearches(beyondRange, ceiling);
        for (const DelaySearch* search : beyondRange) {
            if (better(search->best, result.best) && (!result.beyond || better(search->best, *result.beyond)))
                result.beyond = search->best;
        }
        result.modelRuns = evaluator_.modelRuns();
        return result;
    }

    // For a run close to the one `near` was fitted to: each delay's pattern
    // search starts at near's best for that delay, with small steps, instead
    // of from the coarse grid. The delays searched spread out from near's
    // best delay for as long as the best found lies at their edge.
    FitPoint refit(const ThoroughResult& near)
    {
        const int centre = near.best.at.delay;
        std::vector<DelaySearch*> next;
        for (int d = std::max(centre - 1, space_.delayMin); d <= std::min(centre + 1, space_.delayMax); ++d)
            next.push_back(&delayAt(d));
        int lo = centre;
        int hi = centre;
        FitPoint best;
        while (!next.empty()) {
            startNear(next, near);
            patternSearches(next, kNoBound);
            neighbourSearches(next, kNoBound);
            for (const DelaySearch* search : next) {
                lo = std::min(lo, search->delay);
                hi = std::max(hi, search->delay);
                if (better(search->best, best))
                    best = search->best;
            }
            next.clear();
            if (best.at.delay == lo && lo > space_.delayMin)
                next.push_back(&delayAt(lo - 1));
            if (best.at.delay == hi && hi < space_.delayMax)
                next.push_back(&delayAt(hi + 1));
        }
        return best;
    }

private:
    DelaySearch& delayAt(int delay) { return delays_[static_cast<std::size_t>(delay - space_.delayMin)]; }

    void startNear(const std::vector<DelaySearch*>& searches, const ThoroughResult& near)
    {
        std::vector<FitPoint> points;
        for (DelaySearch* search : searches) {
            const std::size_t k = static_cast<std::size_t>(search->delay - space_.delayMin);
            const FitPoint& from = k < near.profile.size() ? near.profile[k] : near.best;
            FitPoint p;
            p.at = {search->delay, from.at.gain, from.at.damping, 0};
            points.push_back(p);
        }
        evaluator_.withBestReference(points, space_.referenceMin, space_.referenceMax);
        for (std::size_t k = 0; k < points.size(); ++k) {
            searches[k]->note(points[k]);
            searches[k]->searches.push_back({points[k].at.gain, points[k].at.damping, kRefitGainStep, kRefitDampingStep});
        }
    }

    bool withinRanges(const SpinnerSetting& s) const
    {
        return s.gain >= space_.gainMin && s.gain <= space_.gainMax && s.damping >= space_.dampingMin
            && s.damping <= space_.dampingMax && s.reference >= space_.referenceMin
            && s.reference <= space_.referenceMax;
    }

    // Each delay on a coarse grid of gain and damping; its best grid points
    // start its pattern searches. Points above `ceiling` are of no interest.
    void coarseGrid(const std::vector<DelaySearch*>& searches, double ceiling)
    {
        std::vector<FitPoint> points;
        std::vector<DelaySearch*> owners;
        for (DelaySearch* search : searches) {
            for (int gain : gridValues(space_.gainMin, space_.gainMax, kGainGrid)) {
                for (int damping : gridValues(space_.dampingMin, space_.dampingMax, kDampingGrid)) {
                    FitPoint p;
                    p.at = {search->delay, gain, damping, 0};
                    points.push_back(p);
                    owners.push_back(search);
                }
            }
        }
        const std::vector<double> bounds(ceiling == kNoBound ? 0 : points.size(), boundAbove(ceiling));
        evaluator_.withBestReference(points, space_.referenceMin, space_.referenceMax, bounds);
        for (std::size_t k = 0; k < points.size(); ++k)
            owners[k]->note(points[k]);

        for (DelaySearch* search : searches) {
            std::vector<FitPoint> ranked;
            for (const auto& entry : search->seen) {
                if (entry.second.evaluated())
                    ranked.push_back(entry.second);
            }
            const std::size_t starts = std::min<std::size_t>(kStarts, ranked.size());
            std::partial_sort(ranked.begin(), ranked.begin() + static_cast<std::ptrdiff_t>(starts), ranked.end(), better);
            for (std::size_t n = 0; n < starts; ++n)
                search->searches.push_back({ranked[n].at.gain, ranked[n].at.damping, kGainStartStep, kDampingStartStep});
        }
    }

    // The eight neighbours of every search's centre at its step, all delays
    // in the same passes; a search moves to a better neighbour, or halves its
    // steps, and ends when no neighbour one position away is better. False
    // when the rounds ran out first.
    bool patternSearches(const std::vector<DelaySearch*>& searches, double ceiling)
    {
        for (int round = 0; round < maxRounds_; ++round) {
            std::vector<FitPoint> points;
            std::vector<double> bounds;
            std::vector<DelaySearch*> owners;
            bool active = false;
            for (DelaySearch* search : searches) {
                std::unordered_set<std::int64_t> asked;
                for (const PatternSearch& s : search->searches) {
                    if (s.done)
                        continue;
                    active = true;
                    // A neighbour matters only if it beats the centre; the
                    // centres only improve, so one that cannot beat this
                    // centre never matters.
                    const double bound =
                        boundAbove(std::min(search->seen.at(key(s.gain, s.damping)).squares, ceiling));
                    for (int a = -1; a <= 1; ++a) {
                        for (int b = -1; b <= 1; ++b) {
                            const int gain = std::clamp(s.gain + a * s.gainStep, space_.gainMin, space_.gainMax);
                            const int damping = std::clamp(s.damping + b * s.dampingStep, space_.dampingMin, space_.dampingMax);
                            const std::int64_t k = key(gain, damping);
                            if (search->seen.count(k) || !asked.insert(k).second)
                                continue;
                            FitPoint p;
                            p.at = {search->delay, gain, damping, 0};
                            points.push_back(p);
                            bounds.push_back(bound);
                            owners.push_back(search);
                        }
                    }
                }
            }
            if (!active)
                return true;
            evaluator_.withBestReference(points, space_.referenceMin, space_.referenceMax, bounds);
            for (std::size_t k = 0; k < points.size(); ++k)
                owners[k]->note(points[k]);
            for (DelaySearch* search : searches) {
                for (PatternSearch& s : search->searches) {
                    if (!s.done)
                        step(*search, s);
                }
            }
        }
        return std::all_of(searches.begin(), searches.end(), [](const DelaySearch* search) {
            return std::all_of(search->searches.begin(), search->searches.end(),
                               [](const PatternSearch& s) { return s.done; });
        });
    }

    void step(const DelaySearch& search, PatternSearch& s) const
    {
        const FitPoint* centre = &search.seen.at(key(s.gain, s.damping));
        const FitPoint* bestNeighbour = centre;
        for (int a = -1; a <= 1; ++a) {
            for (int b = -1; b <= 1; ++b) {
                const int gain = std::clamp(s.gain + a * s.gainStep, space_.gainMin, space_.gainMax);
                const int damping = std::clamp(s.damping + b * s.dampingStep, space_.dampingMin, space_.dampingMax);
                const FitPoint& p = search.seen.at(key(gain, damping));
                if (better(p, *bestNeighbour))
                    bestNeighbour = &p;
            }
        }
        if (bestNeighbour != centre) {
            s.gain = bestNeighbour->at.gain;
            s.damping = bestNeighbour->at.damping;
        } else if (s.gainStep == 1 && s.dampingStep == 1) {
            s.done = true;
        } else {
            s.gainStep = (s.gainStep + 1) / 2;
            s.dampingStep = (s.dampingStep + 1) / 2;
        }
    }

    // The settings around `centre` that the final search tries: one position
    // away in gain, damping and reference, and along the valley in which the
    // loop's steady-state gain G / (G + K) stays the same: gain one or two
    // positions away with the damping scaled in proportion (and one position
    // either side of that), each with the reference one position either way.
    std::vector<SpinnerSetting> neighbours(const SpinnerSetting& centre) const
    {
        std::vector<SpinnerSetting> around;
        auto add = [&](int gain, int damping, int reference) {
            const SpinnerSetting s{centre.delay, gain, damping, reference};
            if (!(s == centre) && withinRanges(s) && std::find(around.begin(), around.end(), s) == around.end())
                around.push_back(s);
        };
        for (int c = -1; c <= 1; ++c) {
            const int reference = centre.reference + c;
            for (int a = -1; a <= 1; ++a)
                for (int b = -1; b <= 1; ++b)
                    add(centre.gain + a, centre.damping + b, reference);
            if (centre.gain == 0)
                continue;
            for (int a : {-2, -1, 1, 2}) {
                const int gain = centre.gain + a;
                const int damping = static_cast<int>(std::lround(static_cast<double>(centre.damping) * gain / centre.gain));
                for (int b = -1; b <= 1; ++b)
                    add(gain, damping + b, reference);
            }
        }
        return around;
    }

    // From each delay's best, its neighbours evaluated exactly, until none is
    // better. A pass in which no neighbour can beat its centre is cut short.
    // False when the rounds ran out first.
    bool neighbourSearches(const std::vector<DelaySearch*>& searches, double ceiling)
    {
        for (int round = 0; round < maxRounds_; ++round) {
            std::vector<FitPoint> points;
            std::vector<double> bounds;
            std::vector<DelaySearch*> owners;
            for (DelaySearch* search : searches) {
                if (search->settled || !search->best.evaluated())
                    continue;
                const FitPoint centre = search->best;
                for (const SpinnerSetting& s : neighbours(centre.at)) {
                    FitPoint p;
                    p.at = s;
                    points.push_back(p);
                    bounds.push_back(boundAbove(std::min(centre.squares, ceiling)));
                    owners.push_back(search);
                }
                search->settled = true;
            }
            if (points.empty())
                return true;
            evaluator_.exact(points, bounds);
            for (std::size_t k = 0; k < points.size(); ++k) {
                if (better(points[k], owners[k]->best)) {
                    owners[k]->best = points[k];
                    owners[k]->settled = false;
                }
            }
        }
        return std::all_of(searches.begin(), searches.end(), [](const DelaySearch* search) {
            return search->settled || !search->best.evaluated();
        });
    }

    Evaluator evaluator_;
    SearchSpace space_;
    int maxRounds_;
    std::vector<DelaySearch> delays_;
};

}  // namespace

ThoroughResult thoroughFit(const RunRecord& run, double timeStep, const SearchSpace& space,
                           const std::optional<SpinnerSetting>& alsoTry, const FrameRange& scored,
                           int maxRounds)
{
    return Thorough(run, timeStep, space, scored, maxRounds).run(alsoTry);
}

FitPoint refitNear(const RunRecord& run, double timeStep, const SearchSpace& space, const ThoroughResult& near)
{
    return Thorough(run, timeStep, space, kWholeRun).refit(near);
}

}  // namespace quelvar
