#pragma once
// Runs the model made itself at known spinner positions, following a smooth
// target, with noise added to the mouse when asked: white, or carried over
// from frame to frame as a person's motor noise is.
#include "analysis/ControlModel.h"
#include "analysis/FitPoint.h"

#include <cmath>
#include <memory>
#include <random>

namespace quelvar::test {

inline double smoothTarget(int frame) { return 300.0 * std::sin(frame * 0.011) + 150.0 * std::sin(frame * 0.037 + 0.5); }

struct MouseNoise {
    double size = 0.0;   // standard deviation, position units
    double carry = 0.0;  // the share of a frame's noise that the next keeps: 0 white
    unsigned seed = 1;
};

// `shift` moves the target along in time, so that runs differ.
inline std::unique_ptr<RunRecord> modelRun(const SpinnerSetting& setting, const MouseNoise& noise = {}, int shift = 0)
{
    auto run = std::make_unique<RunRecord>();
    for (int i = 1; i <= kRunFrames; ++i)
        run->Target[i] = smoothTarget(i + shift);
    auto results = std::make_unique<ModelResults>();
    DelayLine delay;
    RunModel(parametersOf(setting), 1.0 / 60.0, *run, delay, *results);
    run->Mouse = results->ModelMouseTrace;
    if (noise.size > 0.0) {
        std::mt19937 random(noise.seed);
        // Scaled so that the noise's standard deviation is `size` whatever it carries.
        std::normal_distribution<double> draw(0.0, noise.size * std::sqrt(1.0 - noise.carry * noise.carry));
        double carried = 0.0;
        for (int i = 1; i <= kRunFrames; ++i) {
            carried = noise.carry * carried + draw(random);
            run->Mouse[i] += carried;
        }
    }
    return run;
}

}  // namespace quelvar::test
