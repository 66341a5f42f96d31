// The analysis window's speed: one analysis frame (run graph, parameters,
// model, errors, model graph) at the layout of a 1280 x 1024 screen, both on
// the bare graphs and through the window's paint boxes, and "Auto Fit" in the
// window with its 440 updates of the two error boxes.
#include "BenchSupport.h"

#include "analysis/AnalysisGraphs.h"
#include "analysis/AnalysisSession.h"
#include "app/AnalysisForm.h"
#include "common/SharedState.h"
#include "task/DisturbFR.h"

#include <QPushButton>
#include <memory>

using namespace quelvar;

namespace {

constexpr double kScreen1280x1024 = 1024.0 / 768.0;

// A level 3 disturbance as the target and a mouse that lags it a little.
void fillRun(SharedState& shared)
{
    auto disturb = std::make_unique<TDisturb>();
    disturb->Random.SeedGenerator(20261208u);
    disturb->SetParameters(TDisturb::SmoothingFactorFor(3), 1000.0);
    RunRecord& run = shared.run;
    for (int i = 1; i <= kRunFrames; ++i)
        run.Target[i] = disturb->Waveform[static_cast<std::size_t>(i - 1)];
    for (int i = 1; i <= kRunFrames; ++i) {
        run.Mouse[i] = 0.95 * run.Target[i > 12 ? i - 12 : 1] + ((i * 7919) % 13 - 6);
        run.Error[i] = run.Target[i] - run.Mouse[i];
    }
    ComputeMagnifiedRunError(run);
    shared.experiment.RunAvailable = true;
    shared.experiment.State = AnalysisLive;
}

struct Window {
    std::unique_ptr<SharedState> shared = std::make_unique<SharedState>();
    bench::SilentDialogs dialogs;
    AnalysisSession session{*shared, dialogs};
    TAnalysisForm form{session, nullptr, kScreen1280x1024};

    Window()
    {
        fillRun(*shared);
        form.show();
        form.repaint();
    }
    ~Window() { form.hide(); }
};

// The graphs alone, sized as the window sizes them, with no presenter.
void BM_AnalysisFrameGraphsOnly(benchmark::State& st)
{
    auto shared = std::make_unique<SharedState>();
    fillRun(*shared);
    bench::SilentDialogs dialogs;
    AnalysisSession session(*shared, dialogs);
    AnalysisGraphs graphs(*shared);
    Window window;  // only for the paint box sizes
    const QSize run = window.form.findChild<QWidget*>("RunPaintBox")->size();
    const QSize model = window.form.findChild<QWidget*>("ModelPaint")->size();
    graphs.setRunGraphSize(run.width(), run.height());
    graphs.setModelGraphSize(model.width(), model.height());
    session.setGraphs(&graphs);
    for (auto _ : st) {
        session.AnalysisFrame();
        benchmark::DoNotOptimize(graphs.modelGraphBitmap().constBits());
    }
    st.counters["run_w"] = run.width();
    st.counters["run_h"] = run.height();
    st.counters["model_h"] = model.height();
}
BENCHMARK(BM_AnalysisFrameGraphsOnly)->Unit(benchmark::kMicrosecond);

// Just the drawing of both graphs, without the model.
void BM_DrawBothGraphs(benchmark::State& st)
{
    auto shared = std::make_unique<SharedState>();
    fillRun(*shared);
    shared->analysis.Results.ModelMouseTrace = shared->run.Target;
    AnalysisGraphs graphs(*shared);
    graphs.setRunGraphSize(849, 182);
    graphs.setModelGraphSize(849, 205);
    for (auto _ : st) {
        graphs.DrawRunGraph();
        graphs.DrawModelGraph(1200.0);
        benchmark::DoNotOptimize(graphs.modelGraphBitmap().constBits());
    }
}
BENCHMARK(BM_DrawBothGraphs)->Unit(benchmark::kMicrosecond);

// The frame as the program runs it: the copies to both paint boxes repaint
// them at once, and the error boxes take their new texts.
void BM_AnalysisFrameInWindow(benchmark::State& st)
{
    Window window;
    bool up = true;
    for (auto _ : st) {
        // A moving gain keeps the error texts changing, as while the user clicks.
        window.shared->analysis.Spinners.OutGainUpDown.Position = up ? 21 : 20;
        up = !up;
        window.session.AnalysisFrame();
    }
}
BENCHMARK(BM_AnalysisFrameInWindow)->Unit(benchmark::kMicrosecond);

void BM_AutoFitInWindow(benchmark::State& st)
{
    Window window;
    auto* button = window.form.findChild<QPushButton*>("AutoFitBtn");
    for (auto _ : st)
        button->click();
}
BENCHMARK(BM_AutoFitInWindow)->Unit(benchmark::kMillisecond);

}  // namespace

QUELVAR_BENCHMARK_MAIN();
