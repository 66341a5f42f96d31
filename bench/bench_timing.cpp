// The cost of a run's timing proof: recording one frame with and without its
// time being noted (which must add nothing measurable), and writing the
// timing file and the run description at the end of a run, synced to disk
// like the data file (at most 10 ms).
#include "BenchSupport.h"

#include "analysis/AnalysisSession.h"
#include "common/SharedState.h"
#include "datafiles/DataFile.h"
#include "task/ExperimentController.h"
#include "task/FrameClock.h"

#include <QTemporaryDir>
#include <memory>

using namespace quelvar;

namespace {

struct Recorder {
    QTemporaryDir dir;
    std::unique_ptr<SharedState> shared = std::make_unique<SharedState>();
    bench::SilentDialogs dialogs;
    AnalysisSession session{*shared, dialogs};
    bench::CountingView view{QSize(416, 926)};
    MonotonicFrameClock clock;
    ExperimentController controller{*shared, view, dialogs, session, clock};

    Recorder()
    {
        controller.InitExperiment(dir.filePath("Distable"));
        controller.StartPacing();
        controller.StepState();  // the layout
        ExperimentState& e = shared->experiment;
        e.State = Tracking;
        e.Recording = true;
        e.FrameCounter = 0;
        shared->files.DataFilePath = dir.filePath("run.txt");
        shared->files.DataFileName = QStringLiteral("run.txt");
    }
};

// Arg 1: frame times noted as in the program; 0: the same frame without.
void BM_RecordFrame(benchmark::State& st)
{
    Recorder r;
    if (st.range(0) == 0)
        r.controller.recording().setTiming(nullptr);
    ExperimentState& e = r.shared->experiment;
    for (auto _ : st) {
        // Stays short of the end of the run, which writes files.
        if (e.FrameCounter >= kRunFrames - 1)
            e.FrameCounter = 0;
        e.LastFrameTime += 16666667;
        r.controller.recording().RecordFrame();
    }
}
BENCHMARK(BM_RecordFrame)->Arg(0)->Arg(1)->Unit(benchmark::kNanosecond);

void BM_WriteRunTimingFiles(benchmark::State& st)
{
    Recorder r;
    RunTimingReport& timing = r.controller.timing();
    for (int i = 0; i <= kRunFrames; ++i) {
        const std::int64_t ticks = i * 16666667LL + (i % 97 == 0 ? 5000000 : 0);
        timing.noteFrame(i, ticks, ticks);
        r.shared->run.Mouse[std::size_t(i)] = (i * 37 % 1000) - 500 + 0.37;
        r.shared->run.Target[std::size_t(i)] = 500.0 - (i * 53 % 1000) - 0.61;
    }
    if (!writeDataFile(r.shared->files.DataFilePath, 3, 1, r.shared->run).ok()) {
        st.SkipWithError("data file not written");
        return;
    }
    for (auto _ : st)
        timing.finishRun(true, QSize(416, 926));
}
BENCHMARK(BM_WriteRunTimingFiles)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

QUELVAR_BENCHMARK_MAIN();
