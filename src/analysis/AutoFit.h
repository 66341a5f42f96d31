#pragma once
// The automatic fit: a step-and-reverse line search of one parameter over its
// spinner's range, holding the others fixed.
#include <cmath>

namespace quelvar {

// Searches `field` between lower and upper. `evaluate` runs the model on the
// field's current value and returns the resulting ModelRmsError. Leaves the
// best trial value in the field. Allocates nothing.
template <class Evaluate>
void FitParameter(double& field, int lower, int upper, Evaluate&& evaluate)
{
    field = lower;
    double error = evaluate();
    double previousError = error;
    double step = (static_cast<double>(upper) - static_cast<double>(lower)) / 2.0;
    double bestError = 1000000.0;
    double bestValue = lower;
    int trialCount = 0;
    for (;;) {
        if (error > previousError)
            step = -step / 5.0;
        field = field + step;
        previousError = error;
        error = evaluate();
        if (error < bestError) {
            bestError = error;
            bestValue = field;
        }
        ++trialCount;
        if (std::fabs(step) <= 0.001 || trialCount > 20)
            break;
    }
    field = bestValue;
}

}  // namespace quelvar
