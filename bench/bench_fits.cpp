// Speed of the thorough fit (one run on one core), of what --uncertainty adds
// to it beside "Auto Fit" on the same runs, and of the exhaustive fit (one
// run on both cores), on human-like and model-generated runs.
//
// With --write-runs DIR N it writes N runs of each kind as data files
// instead (human_01.txt ..., model_01.txt ...), for comparing
// `quelvar-fit --thorough` with `quelvar-fit --exhaustive` on them.
#include "FitRuns.h"

#include "BenchSupport.h"
#include "analysis/AnalysisSession.h"
#include "analysis/ExhaustiveFit.h"
#include "analysis/FitUncertainty.h"
#include "analysis/ModelLanes.h"
#include "analysis/ThoroughFit.h"
#include "datafiles/DataFile.h"

#include <QDir>
#include <benchmark/benchmark.h>
#include <cstring>
#include <iostream>

namespace {

using namespace quelvar;
using quelvar::bench::RunKind;

const SearchSpace kSpace = SearchSpace::ofSpinners(ParameterSpinners{});

void BM_ThoroughFitOneCore(benchmark::State& state)
{
    const auto kind = state.range(0) == 0 ? RunKind::HumanLike : RunKind::ModelGenerated;
    const auto run = bench::fitRun(kind, static_cast<unsigned>(state.range(1)));
    std::int64_t runs = 0;
    for (auto _ : state) {
        const ThoroughResult result = thoroughFit(*run, 1.0 / 60.0, kSpace);
        runs = result.modelRuns;
        benchmark::DoNotOptimize(result.best.modelRms);
    }
    state.counters["model_runs"] = static_cast<double>(runs);
    state.SetLabel(modelLanesUnit());
}
BENCHMARK(BM_ThoroughFitOneCore)
    ->ArgNames({"model_generated", "seed"})
    ->ArgsProduct({{0, 1}, {1, 2, 3}})
    ->Unit(benchmark::kMillisecond);

// "Auto Fit" as the window runs it, for comparing the next two with.
void BM_AutoFitOneCore(benchmark::State& state)
{
    const auto kind = state.range(0) == 0 ? RunKind::HumanLike : RunKind::ModelGenerated;
    auto shared = std::make_unique<SharedState>();
    shared->run = *bench::fitRun(kind, static_cast<unsigned>(state.range(1)));
    bench::SilentDialogs dialogs;
    AnalysisSession session(*shared, dialogs);
    for (auto _ : state) {
        shared->analysis.Spinners = ParameterSpinners{};
        session.AnalysisFrame();
        session.AutoFitBtnClick();
        benchmark::DoNotOptimize(shared->analysis.Parameters);
    }
}
BENCHMARK(BM_AutoFitOneCore)
    ->ArgNames({"model_generated", "seed"})
    ->ArgsProduct({{0, 1}, {1, 2, 3}})
    ->Unit(benchmark::kMillisecond);

// All that --uncertainty does beyond Auto Fit: the thorough fit, its holdout
// fits and 200 refitted replicates.
void BM_UncertaintyOneCore(benchmark::State& state)
{
    const auto kind = state.range(0) == 0 ? RunKind::HumanLike : RunKind::ModelGenerated;
    const auto run = bench::fitRun(kind, static_cast<unsigned>(state.range(1)));
    for (auto _ : state) {
        const ThoroughResult fit = thoroughFit(*run, 1.0 / 60.0, kSpace);
        const FitUncertainty uncertainty = fitUncertainty(*run, 1.0 / 60.0, kSpace, fit);
        benchmark::DoNotOptimize(uncertainty.low);
    }
    state.SetLabel(modelLanesUnit());
}
BENCHMARK(BM_UncertaintyOneCore)
    ->ArgNames({"model_generated", "seed"})
    ->ArgsProduct({{0, 1}, {1, 2, 3}})
    ->Unit(benchmark::kMillisecond);

void BM_ExhaustiveFitBothCores(benchmark::State& state)
{
    const auto kind = state.range(0) == 0 ? RunKind::HumanLike : RunKind::ModelGenerated;
    const auto run = bench::fitRun(kind, static_cast<unsigned>(state.range(1)));
    for (auto _ : state) {
        const ThoroughResult seed = thoroughFit(*run, 1.0 / 60.0, kSpace);
        const ThoroughResult result = exhaustiveFit(*run, 1.0 / 60.0, kSpace, seed, 2);
        benchmark::DoNotOptimize(result.best.modelRms);
        state.counters["model_runs"] = static_cast<double>(result.modelRuns);
    }
}
BENCHMARK(BM_ExhaustiveFitBothCores)
    ->ArgNames({"model_generated", "seed"})
    ->ArgsProduct({{0, 1}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

int writeRuns(const char* dir, int count)
{
    QDir().mkpath(QString::fromLocal8Bit(dir));
    for (int n = 1; n <= count; ++n) {
        for (const auto& [kind, name] : {std::pair{RunKind::HumanLike, "human"}, std::pair{RunKind::ModelGenerated, "model"}}) {
            int difficulty = 0;
            const auto run = bench::fitRun(kind, static_cast<unsigned>(1000 + n), &difficulty);
            const QString path = QStringLiteral("%1/%2_%3.txt").arg(QString::fromLocal8Bit(dir), QString::fromLatin1(name))
                                     .arg(n, 2, 10, QLatin1Char('0'));
            if (!writeDataFile(path, difficulty, 1 + n % 10, *run).ok()) {
                std::cerr << "cannot write " << path.toStdString() << "\n";
                return 1;
            }
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--write-runs") == 0)
        return writeRuns(argv[2], std::atoi(argv[3]));
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}
