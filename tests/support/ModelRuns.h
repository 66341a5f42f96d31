#pragma once
// Runs the model made itself at known spinner positions, following a smooth
// target, with noise added to the mouse when asked: white, or carried over
// from frame to frame as a person's motor noise is.
#include "analysis/ControlModel.h"
#include "analysis/FitPoint.h"

#include <algorithm>
#include <array>
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

// The model's rms error on `run` with the parameters given, its traces left
// in `results`.
inline double modelRms(const RunRecord& run, const ModelParameters& parameters, DelayLine& delay,
                       ModelResults& results)
{
    RunModel(parameters, 1.0 / 60.0, run, delay, results);
    ComputeErrors(results);
    return results.ModelRmsError;
}

inline double modelRms(const RunRecord& run, const ModelParameters& parameters)
{
    auto results = std::make_unique<ModelResults>();
    DelayLine delay;
    return modelRms(run, parameters, delay, *results);
}

// A mouse that follows `target` `lag` frames late at `gain` of its size, off
// by `offset`, with white noise as a person's.
struct LaggingMouse {
    double gain = 0.9;
    int lag = 9;
    double offset = 0.0;
    double noise = 15.0;  // standard deviation
    unsigned seed = 7;
};
template <class Target>
std::unique_ptr<RunRecord> laggingRun(Target target, const LaggingMouse& m)
{
    auto run = std::make_unique<RunRecord>();
    std::mt19937 random(m.seed);
    std::normal_distribution<double> noise(0.0, m.noise);
    for (int i = 1; i <= kRunFrames; ++i) {
        run->Target[i] = target(i);
        run->Mouse[i] = m.gain * target(std::max(1, i - m.lag)) + m.offset + noise(random);
    }
    return run;
}

// A run and the model's traces on it, kept off the stack as the fits keep
// them; rms() runs the model on the run and takes its errors.
struct ModelBench {
    std::unique_ptr<RunRecord> run = std::make_unique<RunRecord>();
    std::unique_ptr<ModelResults> results = std::make_unique<ModelResults>();
    DelayLine delay;

    double rms(const ModelParameters& parameters) { return modelRms(*run, parameters, delay, *results); }
    // The run's mouse and target, frame by frame.
    template <class Mouse, class Target>
    void follow(Mouse mouse, Target target)
    {
        for (int i = 1; i <= kRunFrames; ++i) {
            run->Mouse[i] = mouse(i);
            run->Target[i] = target(i);
        }
    }
};

// The parameters as one value to compare: delay, gain, damping, reference.
inline std::array<double, 4> fieldsOf(const ModelParameters& p)
{
    return {p.InDelay, p.OutGain, p.Damp, p.Ref};
}

}  // namespace quelvar::test
