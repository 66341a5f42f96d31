#pragma once
// Whole spinner positions and their exact errors: what the thorough and the
// exhaustive fits search over, compare and report.
#include "common/ModelState.h"

#include <cstdint>
#include <limits>

namespace quelvar {

// One model on whole spinner positions. The reference is kept as the model's
// r, in whole position units: the reference spinner's positions 10 r - 5 ...
// 10 r + 5 all give the same model, and 10 r stands for them.
struct SpinnerSetting {
    int delay = 0;      // frames
    int gain = 0;       // spinner units, gain x 10
    int damping = 0;    // spinner units, damping x 1000
    int reference = 0;  // r, position units

    bool operator==(const SpinnerSetting&) const = default;
};

// The parameters in spinner units, as the spinners would load them.
ModelParameters parametersOf(const SpinnerSetting& setting);

// What the spinners' positions stand for (a reference position rounds to r).
SpinnerSetting settingOf(const ParameterSpinners& spinners);

struct FitPoint {
    SpinnerSetting at;
    double squares = std::numeric_limits<double>::infinity();  // sum of squares of o(i) - M(i)
    double modelRms = std::numeric_limits<double>::infinity(); // ModelRmsError from `squares`

    bool evaluated() const { return modelRms != std::numeric_limits<double>::infinity(); }
};

// The order in which fits choose: the lower model RMS error; among equal
// errors the shorter delay, the lower gain, the lower damping, then the
// reference nearest 0 (the lower of two). Results therefore never depend on
// the order in which points were evaluated, the lanes or the threads.
bool better(const FitPoint& a, const FitPoint& b);

// The spinner ranges a fit keeps to (the analysis window's spinners), with the
// reference as whole r whose position 10 r lies within its spinner's range.
struct SearchSpace {
    int delayMin = 0;
    int delayMax = 16;
    int gainMin = 0;
    int gainMax = 500;
    int dampingMin = 0;
    int dampingMax = 1000;
    int referenceMin = -10;
    int referenceMax = 10;
    // Delays past delayMax up to this one are searched too, to tell whether
    // the delay's bound limits the fit.
    int beyondDelayMax = 60;

    static SearchSpace ofSpinners(const ParameterSpinners& spinners);
    int delayCount() const { return delayMax - delayMin + 1; }
    bool contains(const SpinnerSetting& s) const;
};

// A bound for a lane pass that cuts it short only when no lane can reach the
// error of `squares`: a sum slightly larger still gives a larger error.
double boundAbove(double squares);

}  // namespace quelvar
