// Wall time of quelvar-fit on a batch of 100 recorded runs, of
// quelvar-fit --thorough on one core for 10 runs (Auto Fit, the thorough fit
// and all files; the time per run is a tenth), and of --uncertainty against
// Auto Fit alone on one core for the same 10 human-like runs.
#include "FitRuns.h"
#include "datafiles/DataFile.h"

#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>

using namespace quelvar;

namespace {

QStringList writeRuns(const QTemporaryDir& dir, int count)
{
    QStringList files;
    for (int n = 0; n < count; ++n) {
        RunRecord run;
        for (int i = 1; i <= kRunFrames; ++i) {
            run.Target[i] = 400.0 * std::sin((i + 37 * n) / 150.0);
            run.Mouse[i] = 380.0 * std::sin((i + 37 * n - 12) / 150.0);
        }
        const QString path = dir.filePath(QStringLiteral("run%1.txt").arg(n));
        writeDataFile(path, 1 + n % 5, 1 + n % 10, run);
        files << path;
    }
    return files;
}

void BM_FitCommandHundredFiles(benchmark::State& state)
{
    QTemporaryDir dir;
    const QStringList files = writeRuns(dir, 100);
    for (auto _ : state) {
        QProcess process;
        process.start(QStringLiteral(QUELVAR_FIT_BINARY), files);
        process.waitForFinished(60000);
        if (process.exitCode() != 0)
            state.SkipWithError("quelvar-fit failed");
    }
}
BENCHMARK(BM_FitCommandHundredFiles)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_FitCommandThoroughTenFilesOneCore(benchmark::State& state)
{
    QTemporaryDir dir;
    const QStringList files = writeRuns(dir, 10);
    for (auto _ : state) {
        QProcess process;
        process.start(QStringLiteral(QUELVAR_FIT_BINARY), QStringList{"--thorough", "--jobs", "1"} + files);
        process.waitForFinished(60000);
        if (process.exitCode() != 0)
            state.SkipWithError("quelvar-fit failed");
    }
}
BENCHMARK(BM_FitCommandThoroughTenFilesOneCore)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

QStringList writeHumanLikeRuns(const QTemporaryDir& dir, int count)
{
    QStringList files;
    for (int n = 0; n < count; ++n) {
        int difficulty = 1;
        const auto run = bench::fitRun(bench::RunKind::HumanLike, static_cast<unsigned>(100 + n), &difficulty);
        const QString path = dir.filePath(QStringLiteral("human%1.txt").arg(n));
        writeDataFile(path, difficulty, 1 + n % 10, *run);
        files << path;
    }
    return files;
}

// The options after the file count, on one core; per_run is the wall time a run.
void fitCommandOneCore(benchmark::State& state, const QStringList& options)
{
    QTemporaryDir dir;
    const QStringList files = writeHumanLikeRuns(dir, 10);
    for (auto _ : state) {
        QProcess process;
        process.start(QStringLiteral(QUELVAR_FIT_BINARY), options + QStringList{"--jobs", "1"} + files);
        process.waitForFinished(120000);
        if (process.exitCode() != 0)
            state.SkipWithError("quelvar-fit failed");
    }
    state.counters["per_run"] = benchmark::Counter(static_cast<double>(files.size()),
                                                   benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK_CAPTURE(fitCommandOneCore, AutoFitAlone, QStringList{})->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_CAPTURE(fitCommandOneCore, Uncertainty, QStringList{"--uncertainty"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
