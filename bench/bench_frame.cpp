// One frame of the tracking task (fill, table lookup, both shapes, copy) at
// the target display size of a 1280 x 1024 screen.
#include "BenchSupport.h"

#include "analysis/AnalysisSession.h"
#include "app/MainForm.h"
#include "app/MainLayout.h"
#include "common/SharedState.h"
#include "task/ExperimentController.h"
#include "task/FrameClock.h"

#include <QDir>
#include <QTemporaryDir>
#include <memory>

using namespace quelvar;

namespace {

// At factor 1.25 the target box is 420 wide; on a 1024-pixel screen with a
// title bar the maximised client area is about 1000 high, so the box is 950
// and the display inside it 416 x 926.
QSize displayAt1280x1024()
{
    const double f = scaleFactorForScreen(1280, 1024);
    const int boxHeight = firstPassLayout(1280, scaledLength(796, f), 1000).targetBoxHeight;
    return targetPaintRect(QRect(0, 0, scaledLength(336, f), boxHeight), f).size();
}

void BM_DrawFrame(benchmark::State& st)
{
    QTemporaryDir dir;
    auto shared = std::make_unique<SharedState>();
    bench::SilentDialogs dialogs;
    AnalysisSession session(*shared, dialogs);
    bench::CountingView view(displayAt1280x1024());
    MonotonicFrameClock clock;
    ExperimentController controller(*shared, view, dialogs, session, clock);
    controller.InitExperiment(dir.filePath("Distable"));
    controller.StepState();  // the layout
    shared->experiment.State = Tracking;
    RunRecording& recording = controller.recording();
    int y = 0;
    for (auto _ : st) {
        recording.TargetPaintMouseMove(y = (y + 7) % 926);
        recording.DrawFrame();
    }
    st.counters["width"] = recording.bitmap().width();
    st.counters["height"] = recording.bitmap().height();
}
BENCHMARK(BM_DrawFrame)->Unit(benchmark::kMillisecond);

// The same frame through the real window on the offscreen platform,
// including the immediate repaint of the target display.
void BM_DrawFrameIntoTheWindow(benchmark::State& st)
{
    QTemporaryDir dir;
    auto shared = std::make_unique<SharedState>();
    bench::SilentDialogs dialogs;
    AnalysisSession session(*shared, dialogs);
    TMainForm form(*shared, dialogs, session, dir.filePath("Distable"), false);
    form.show();
    QApplication::processEvents();
    form.controller().StepState();
    shared->experiment.State = Tracking;
    for (auto _ : st)
        form.controller().recording().DrawFrame();
    st.counters["width"] = form.TargetPaint->width();
    st.counters["height"] = form.TargetPaint->height();
}
BENCHMARK(BM_DrawFrameIntoTheWindow)->Unit(benchmark::kMillisecond);

}  // namespace

QUELVAR_BENCHMARK_MAIN();
