// Start-up to the first frame: creating the main window (scaling, the table
// loaded or generated and saved) until its first idle pass has laid it out.
#include "BenchSupport.h"

#include "analysis/AnalysisSession.h"
#include "app/MainForm.h"
#include "common/SharedState.h"

#include <QFile>
#include <QTemporaryDir>
#include <memory>

using namespace quelvar;

namespace {

void startOnce(const QString& distable)
{
    auto shared = std::make_unique<SharedState>();
    bench::SilentDialogs dialogs;
    AnalysisSession session(*shared, dialogs);
    TMainForm form(*shared, dialogs, session, distable);
    form.show();
    while (shared->experiment.State == StartupLayout)
        QApplication::processEvents();
    form.frameLoop().stop();
}

void BM_StartupWithDistable(benchmark::State& st)
{
    QTemporaryDir dir;
    const QString distable = dir.filePath("Distable");
    startOnce(distable);  // leaves the table file behind
    for (auto _ : st)
        startOnce(distable);
}
BENCHMARK(BM_StartupWithDistable)->Unit(benchmark::kMillisecond);

void BM_FirstStartGeneratingDistable(benchmark::State& st)
{
    QTemporaryDir dir;
    const QString distable = dir.filePath("Distable");
    for (auto _ : st) {
        st.PauseTiming();
        QFile::remove(distable);
        st.ResumeTiming();
        startOnce(distable);
    }
}
BENCHMARK(BM_FirstStartGeneratingDistable)->Unit(benchmark::kMillisecond);

}  // namespace

QUELVAR_BENCHMARK_MAIN();
