#pragma once
// Runs to fit for the fit benchmarks and for comparing the thorough fit with
// the exhaustive one: the program's own disturbances as targets, followed by
// the model itself at whole spinner positions (model-generated runs) or by a
// human-like tracker: a model whose gain drifts and whose delay jitters, with
// motor noise, a slow drift of its own and whole-unit mouse positions.
#include "analysis/ControlModel.h"
#include "task/DisturbFR.h"

#include <cmath>
#include <memory>
#include <random>

namespace quelvar::bench {

enum class RunKind { ModelGenerated, HumanLike };

inline std::unique_ptr<RunRecord> fitRun(RunKind kind, unsigned seed, int* difficulty = nullptr)
{
    auto run = std::make_unique<RunRecord>();
    std::mt19937 random(seed);
    const int level = 1 + static_cast<int>(seed % 5);
    if (difficulty)
        *difficulty = level;
    auto disturb = std::make_unique<TDisturb>();
    disturb->Random.SeedGenerator(seed * 2654435761u + 1u);
    disturb->SetParameters(TDisturb::SmoothingFactorFor(level), 1000.0);
    for (int i = 1; i <= kRunFrames; ++i)
        run->Target[i] = disturb->Waveform[static_cast<std::size_t>(i - 1)];

    if (kind == RunKind::ModelGenerated) {
        // Settings whose loop is stable, as a person's is: gain times delay
        // (with the frame the output takes) well below the limit of pi/2.
        std::uniform_int_distribution<int> delay(2, 14), gain(20, 150), damping(0, 300), reference(-4, 4);
        ModelParameters p;
        do {
            p = {static_cast<double>(delay(random)), static_cast<double>(gain(random)),
                 static_cast<double>(damping(random)), 10.0 * reference(random)};
        } while (p.OutGain * 0.1 * (p.InDelay + 1.0) / 60.0 > 1.0);
        run->Mouse.fill(0.0);
        DelayLine line;
        auto results = std::make_unique<ModelResults>();
        RunModel(p, 1.0 / 60.0, *run, line, *results);
        run->Mouse = results->ModelMouseTrace;
        return run;
    }

    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    std::normal_distribution<double> normal(0.0, 1.0);
    // A loop gain times delay well below the integrator's stability limit
    // of pi/2, as people track.
    const double delay = 6.0 + 6.0 * uniform(random);   // frames
    const double gain = 2.5 + 3.5 * uniform(random);    // per second
    const double damping = 0.3 * uniform(random);
    const double reference = 6.0 * (uniform(random) - 0.5);
    const double noise = 2.0 + 6.0 * uniform(random);
    double o = 0.0;
    double drift = 0.0;
    double motor = 0.0;
    double perceived[kRunFrames + 1] = {};
    for (int i = 1; i <= kRunFrames; ++i) {
        perceived[i] = o - run->Target[i];
        const int d = static_cast<int>(std::lround(delay + normal(random)));
        const double q = i - d >= 1 ? perceived[i - d] : 0.0;
        const double g = gain * (1.0 + 0.15 * std::sin(i / 700.0 + seed));
        motor = 0.9 * motor + noise * normal(random);
        drift = 0.999 * drift + 0.2 * normal(random);
        o = o + (g * (reference - q) - damping * o) / 60.0 + motor / 10.0;
        run->Mouse[i] = std::round(std::clamp(o + drift, -500.0, 500.0));
    }
    return run;
}

}  // namespace quelvar::bench
