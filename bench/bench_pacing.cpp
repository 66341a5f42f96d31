// The real 60 Hz loop: the main window's zero-interval timer with the busy
// wait, 600 frames on the offscreen platform, practice running (Arg 0) or a
// run being recorded with its frame times noted (Arg 1). Reports the frame
// intervals between the ends of successive waits.
#include "BenchSupport.h"

#include "analysis/AnalysisSession.h"
#include "app/MainForm.h"
#include "common/SharedState.h"

#include <QEventLoop>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <memory>
#include <numeric>

using namespace quelvar;

namespace {

constexpr int kFrames = 600;

void BM_Pacing(benchmark::State& st)
{
    QTemporaryDir dir;
    auto shared = std::make_unique<SharedState>();
    bench::SilentDialogs dialogs;
    AnalysisSession session(*shared, dialogs);
    for (auto _ : st) {
        TMainForm form(*shared, dialogs, session, dir.filePath("Distable"), false);
        form.show();
        std::array<std::int64_t, kFrames + 1> ends{};
        int count = 0;
        QEventLoop loop;
        form.frameLoop().setAfterPass([&] {
            ExperimentState& e = shared->experiment;
            if (e.State == Blank) {
                e.State = Tracking;  // practice: a full frame every pass
                // Recording from frame 1; 600 frames stay short of the run's end.
                e.Recording = st.range(0) == 1;
                e.FrameCounter = 0;
            }
            if (count <= kFrames)
                ends[std::size_t(count++)] = e.LastFrameTime;
            if (count > kFrames)
                loop.quit();
        });
        form.frameLoop().start();
        loop.exec();
        form.frameLoop().stop();

        std::array<double, kFrames> intervals{};
        for (int i = 0; i < kFrames; ++i)
            intervals[std::size_t(i)] = double(ends[std::size_t(i + 1)] - ends[std::size_t(i)]) / 1e6;
        const double mean = std::accumulate(intervals.begin(), intervals.end(), 0.0) / kFrames;
        std::array<double, kFrames> sorted = intervals;
        std::sort(sorted.begin(), sorted.end());
        const double limit = 1.2 * 1000.0 / 60.0;
        st.counters["mean_ms"] = mean;
        st.counters["p99_ms"] = sorted[std::size_t(kFrames * 99 / 100)];
        st.counters["max_ms"] = sorted.back();
        st.counters["min_ms"] = sorted.front();
        st.counters["late_frames"] = double(std::count_if(intervals.begin(), intervals.end(),
                                                         [&](double v) { return v > limit; }));
    }
}
BENCHMARK(BM_Pacing)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

QUELVAR_BENCHMARK_MAIN();
