// Writing and reading one tracking data file, as at the end of a run and on
// "Open Data File". Both should stay well under 3 ms.
#include "datafiles/DataFile.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace quelvar;

std::unique_ptr<RunRecord> sampleRun()
{
    auto run = std::make_unique<RunRecord>();
    for (int i = 1; i <= kRunFrames; ++i) {
        run->Mouse[i] = (i * 37 % 1000) - 500 + 0.37;
        run->Target[i] = 500.0 - (i * 53 % 1000) - 0.61;
    }
    return run;
}

void BM_WriteDataFile(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("run.txt");
    const auto run = sampleRun();
    for (auto _ : state) {
        if (!writeDataFile(path, 3, 7, *run).ok())
            state.SkipWithError("write failed");
    }
}
BENCHMARK(BM_WriteDataFile)->Unit(benchmark::kMillisecond);

void BM_ReadDataFile(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("run.txt");
    auto run = sampleRun();
    if (!writeDataFile(path, 3, 7, *run).ok()) {
        state.SkipWithError("write failed");
        return;
    }
    for (auto _ : state) {
        if (readDataFile(path, *run).outcome != DataFileReadResult::Loaded)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(run->Error[kRunFrames]);
    }
}
BENCHMARK(BM_ReadDataFile)->Unit(benchmark::kMillisecond);

void BM_FormatDataFile(benchmark::State& state)
{
    const auto run = sampleRun();
    for (auto _ : state)
        benchmark::DoNotOptimize(formatDataFile(3, 7, *run));
}
BENCHMARK(BM_FormatDataFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
