// Wall time of quelvar-fit on a batch of 100 recorded runs (and files per
// second, its rows streaming out as they are done), and of
// quelvar-fit --thorough on one core for 10 runs (Auto Fit, the thorough fit
// and all files; the time per run is a tenth).
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
    state.SetItemsProcessed(state.iterations() * files.size());
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

}  // namespace

BENCHMARK_MAIN();
