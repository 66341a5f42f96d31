// Speed of the analysis path: one model run with its errors (60 times a
// second while the analysis window is live), model evaluations per second one
// at a time and in vector lanes, one "Auto Fit" (440 model runs) and the
// generation of the 50 disturbance waveforms at a first start.
#include "analysis/AutoFit.h"
#include "analysis/ControlModel.h"
#include "analysis/ModelLanes.h"
#include "task/DisturbFR.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

using namespace quelvar;

// A realistic run: a level 3 disturbance as target, followed by a mouse that
// lags it by a few frames and overshoots a little.
struct Workload {
    RunRecord run;
    ModelResults results;
    DelayLine delay;

    Workload()
    {
        auto disturb = std::make_unique<TDisturb>();
        disturb->Random.SeedGenerator(20261208u);
        disturb->SetParameters(TDisturb::SmoothingFactorFor(3), 1000.0);
        for (int i = 1; i <= kRunFrames; ++i)
            run.Target[i] = disturb->Waveform[static_cast<std::size_t>(i - 1)];
        for (int i = 1; i <= kRunFrames; ++i)
            run.Mouse[i] = 1.05 * run.Target[i > 10 ? i - 10 : 1] + ((i * 7919) % 13 - 6);
    }

    double evaluate(const ModelParameters& parameters)
    {
        RunModel(parameters, 1.0 / 60.0, run, delay, results);
        ComputeErrors(results);
        return results.ModelRmsError;
    }
};

Workload& workload()
{
    static auto w = std::make_unique<Workload>();
    return *w;
}

void BM_RunModelAndErrors(benchmark::State& state)
{
    Workload& w = workload();
    const ModelParameters parameters{2.0, 20.0, 20.0, 0.0};
    for (auto _ : state)
        benchmark::DoNotOptimize(w.evaluate(parameters));
}
BENCHMARK(BM_RunModelAndErrors)->Unit(benchmark::kMicrosecond);

// Sets of a fit's neighbourhood: one delay, gains and dampings around a point.
std::vector<ModelParameters> neighbourSets(int count)
{
    std::vector<ModelParameters> sets;
    for (int k = 0; k < count; ++k)
        sets.push_back({4.0, 150.0 + 3 * (k % 8), 40.0 + 5 * (k / 8), 10.0});
    return sets;
}

void BM_EvaluationsOneAtATime(benchmark::State& state)
{
    Workload& w = workload();
    const std::vector<ModelParameters> sets = neighbourSets(32);
    for (auto _ : state) {
        for (const ModelParameters& p : sets)
            benchmark::DoNotOptimize(w.evaluate(p));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(sets.size()));
}
BENCHMARK(BM_EvaluationsOneAtATime)->Unit(benchmark::kMicrosecond);

// Items per second are model evaluations per second; the argument is the
// number of sets per pass.
void evaluationsInLanes(benchmark::State& state, const char* unit)
{
    if (!useModelLanesUnit(unit)) {
        state.SkipWithError("the processor lacks this unit");
        return;
    }
    Workload& w = workload();
    const std::vector<ModelParameters> sets = neighbourSets(static_cast<int>(state.range(0)));
    std::vector<double> rms(sets.size());
    for (auto _ : state) {
        evaluateModels(w.run, 1.0 / 60.0, sets.data(), static_cast<int>(sets.size()), rms.data());
        benchmark::DoNotOptimize(rms.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(sets.size()));
    state.SetLabel(unit);
    useModelLanesUnit(modelLanesUnits().front());
}
BENCHMARK_CAPTURE(evaluationsInLanes, avx512f, "avx512f")->Arg(8)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(evaluationsInLanes, avx2, "avx2")->Arg(32)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(evaluationsInLanes, sse2, "sse2")->Arg(32)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(evaluationsInLanes, portable, "portable")->Arg(32)->Unit(benchmark::kMicrosecond);

void BM_AutoFit(benchmark::State& state)
{
    Workload& w = workload();
    for (auto _ : state) {
        ModelParameters parameters{2.0, 20.0, 20.0, 0.0};
        auto evaluate = [&] { return w.evaluate(parameters); };
        for (int pass = 0; pass < 5; ++pass) {
            FitParameter(parameters.OutGain, 0, 500, evaluate);
            FitParameter(parameters.Ref, -100, 100, evaluate);
            FitParameter(parameters.InDelay, 0, 16, evaluate);
            FitParameter(parameters.Damp, 0, 1000, evaluate);
        }
        benchmark::DoNotOptimize(parameters);
    }
}
BENCHMARK(BM_AutoFit)->Unit(benchmark::kMillisecond);

void BM_FillTable(benchmark::State& state)
{
    auto disturb = std::make_unique<TDisturb>();
    std::uint32_t seed = 1;
    for (auto _ : state) {
        disturb->Random.SeedGenerator(seed++);
        disturb->FillTable(1000.0);
        benchmark::DoNotOptimize(disturb->Table.data());
    }
}
BENCHMARK(BM_FillTable)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
