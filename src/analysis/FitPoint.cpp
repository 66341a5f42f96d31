#include "analysis/FitPoint.h"

#include "common/Rounding.h"

#include <cstdlib>
#include <tuple>

namespace quelvar {

ModelParameters parametersOf(const SpinnerSetting& setting)
{
    ModelParameters p;
    p.InDelay = setting.delay;
    p.OutGain = setting.gain;
    p.Damp = setting.damping;
    p.Ref = 10.0 * setting.reference;
    return p;
}

SpinnerSetting settingOf(const ParameterSpinners& spinners)
{
    SpinnerSetting s;
    s.delay = spinners.InDelayUpDown.Position;
    s.gain = spinners.OutGainUpDown.Position;
    s.damping = spinners.DampUpDown.Position;
    s.reference = static_cast<int>(roundHalfEven(spinners.RefUpDown.Position / 10.0));
    return s;
}

bool better(const FitPoint& a, const FitPoint& b)
{
    if (a.modelRms != b.modelRms)
        return a.modelRms < b.modelRms;
    const SpinnerSetting& x = a.at;
    const SpinnerSetting& y = b.at;
    return std::make_tuple(x.delay, x.gain, x.damping, std::abs(x.reference), x.reference)
         < std::make_tuple(y.delay, y.gain, y.damping, std::abs(y.reference), y.reference);
}

SearchSpace SearchSpace::ofSpinners(const ParameterSpinners& spinners)
{
    SearchSpace space;
    space.delayMin = spinners.InDelayUpDown.Min;
    space.delayMax = spinners.InDelayUpDown.Max;
    space.gainMin = spinners.OutGainUpDown.Min;
    space.gainMax = spinners.OutGainUpDown.Max;
    space.dampingMin = spinners.DampUpDown.Min;
    space.dampingMax = spinners.DampUpDown.Max;
    // Whole r with 10 r within the reference spinner's range.
    const int lo = spinners.RefUpDown.Min;
    const int hi = spinners.RefUpDown.Max;
    space.referenceMin = lo >= 0 ? (lo + 9) / 10 : -(-lo / 10);
    space.referenceMax = hi >= 0 ? hi / 10 : -((-hi + 9) / 10);
    return space;
}

bool SearchSpace::contains(const SpinnerSetting& s) const
{
    return s.delay >= delayMin && s.delay <= delayMax && s.gain >= gainMin && s.gain <= gainMax
        && s.damping >= dampingMin && s.damping <= dampingMax && s.reference >= referenceMin
        && s.reference <= referenceMax;
}

double boundAbove(double squares)
{
    // A relative margin far above the rounding of sqrt, /3600, x100 and
    // /1000; the absolute one keeps sums so small that their error rounds to
    // 0 from being cut.
    return squares + squares * 1e-12 + 1e-300;
}

}  // namespace quelvar
