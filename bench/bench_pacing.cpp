// The real 60 Hz loop: the main window's zero-interval timer with the
// sleep-then-spin wait on the offscreen platform. BM_Pacing records 3600
// frames with their times noted, on an idle machine or against a competing
// load (one busy process per core at normal priority), with the frame thread
// at normal or at elevated (real-time) scheduling, and reports the frame
// intervals between the ends of successive waits, the late frames and the
// program's share of one core. BM_Inactive is the same loop while "Inactive"
// (nothing drawn but the blank display). BM_SleepWake measures how late a
// sleep to an absolute deadline wakes: what the wait's spin margin must cover.
#include "BenchSupport.h"

#include "analysis/AnalysisSession.h"
#include "app/LinuxSchedulingCalls.h"
#include "app/MainForm.h"
#include "common/SharedState.h"
#include "task/FrameClock.h"
#include "task/FrameScheduling.h"

#include <QEventLoop>
#include <QTemporaryDir>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <numeric>
#include <sched.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace quelvar;

namespace {

std::int64_t cpuNs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

void backToNormalScheduling()
{
    const sched_param normal{};
    sched_setscheduler(0, SCHED_OTHER, &normal);
    setpriority(PRIO_PROCESS, 0, 0);
}

// One busy process per core at normal priority while it lives.
class CompetingLoad {
public:
    explicit CompetingLoad(bool on)
    {
        if (!on)
            return;
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned i = 0; i < cores; ++i) {
            const pid_t child = fork();
            if (child == 0) {
                backToNormalScheduling();
                for (;;)
                    asm volatile("" ::: "memory");
            }
            if (child > 0)
                children_.push_back(child);
        }
    }
    ~CompetingLoad()
    {
        for (const pid_t child : children_)
            kill(child, SIGKILL);
        for (const pid_t child : children_)
            waitpid(child, nullptr, 0);
    }

private:
    std::vector<pid_t> children_;
};

// The frame thread at real-time scheduling while it lives (when `on`), as
// the program asks for it; "elevated" reports whether it was obtained.
class ElevatedScheduling {
public:
    ElevatedScheduling(bool on, benchmark::State& st)
    {
        if (!on)
            return;
        LinuxSchedulingCalls os({LinuxSchedulingCalls::currentThread()});
        st.counters["elevated"] = raiseFrameThread(os, true).realtime() ? 1 : 0;
        on_ = true;
    }
    ~ElevatedScheduling()
    {
        if (!on_)
            return;
        backToNormalScheduling();
        munlockall();
    }

private:
    bool on_ = false;
};

void report(benchmark::State& st, std::vector<double> intervals, std::int64_t cpu, std::int64_t wall)
{
    const double n = double(intervals.size());
    const double limit = 1.2 * 1000.0 / 60.0;
    st.counters["late_frames"] =
        double(std::count_if(intervals.begin(), intervals.end(), [&](double v) { return v > limit; }));
    st.counters["mean_ms"] = std::accumulate(intervals.begin(), intervals.end(), 0.0) / n;
    // Where the longest frame fell: at the start, or anywhere.
    st.counters["max_at_frame"] = double(std::max_element(intervals.begin(), intervals.end()) - intervals.begin() + 1);
    std::sort(intervals.begin(), intervals.end());
    st.counters["p99_ms"] = intervals[std::size_t((intervals.size() * 99 + 99) / 100 - 1)];
    st.counters["max_ms"] = intervals.back();
    st.counters["min_ms"] = intervals.front();
    st.counters["cpu_percent"] = 100.0 * double(cpu) / double(wall);
    double load[3] = {};
    if (getloadavg(load, 3) == 3)
        st.counters["loadavg_1min"] = load[0];
}

// Runs `frames` frames of the main window's loop and reports them. `track`:
// practice with recording from frame 1, else the blank "Inactive" display.
void runFrames(benchmark::State& st, int frames, bool track)
{
    QTemporaryDir dir;
    auto shared = std::make_unique<SharedState>();
    bench::SilentDialogs dialogs;
    AnalysisSession session(*shared, dialogs);
    CompetingLoad load(st.range(1) == 1);
    ElevatedScheduling elevated(st.range(2) == 1, st);
    for (auto _ : st) {
        TMainForm form(*shared, dialogs, session, dir.filePath("Distable"), false);
        form.show();
        std::vector<std::int64_t> ends;
        ends.reserve(std::size_t(frames) + 1);
        QEventLoop loop;
        std::int64_t cpuStart = 0;
        form.frameLoop().setAfterPass([&] {
            ExperimentState& e = shared->experiment;
            if (e.State == Blank && track) {
                e.State = Tracking;
                e.Recording = true;  // 3601 frames from here stay short of the run's end
                e.FrameCounter = -2;
                return;
            }
            if (e.State == Blank || e.State == Tracking) {
                if (ends.empty())
                    cpuStart = cpuNs();
                ends.push_back(e.LastFrameTime);
            }
            if (ends.size() > std::size_t(frames))
                loop.quit();
        });
        form.frameLoop().start();
        loop.exec();
        form.frameLoop().stop();
        const std::int64_t cpu = cpuNs() - cpuStart;
        std::vector<double> intervals;
        for (std::size_t i = 1; i < ends.size(); ++i)
            intervals.push_back(double(ends[i] - ends[i - 1]) / 1e6);
        report(st, intervals, cpu, ends.back() - ends.front());
    }
}

// Args: recording (1), load (0/1), elevated scheduling (0/1).
void BM_Pacing(benchmark::State& st)
{
    runFrames(st, 3600, true);
}
BENCHMARK(BM_Pacing)
    ->Args({1, 0, 0})->Args({1, 1, 0})->Args({1, 1, 1})
    ->Iterations(1)->Unit(benchmark::kSecond);

// Args: 0, load (0/1), elevated scheduling (0/1); 600 frames.
void BM_Inactive(benchmark::State& st)
{
    runFrames(st, 600, false);
}
BENCHMARK(BM_Inactive)->Args({0, 0, 0})->Args({0, 0, 1})->Iterations(1)->Unit(benchmark::kSecond);

// Args: 0, load (0/1), elevated scheduling (0/1). 600 sleeps to deadlines a
// frame apart; reports how late each woke (p99 and max, in microseconds).
void BM_SleepWake(benchmark::State& st)
{
    CompetingLoad load(st.range(1) == 1);
    ElevatedScheduling elevated(st.range(2) == 1, st);
    MonotonicFrameClock clock;
    for (auto _ : st) {
        std::vector<double> late;
        std::int64_t deadline = clock.now();
        for (int i = 0; i < 600; ++i) {
            deadline += 16666667;
            clock.sleepUntil(deadline);
            late.push_back(double(clock.now() - deadline) / 1e3);
        }
        std::sort(late.begin(), late.end());
        st.counters["wake_p50_us"] = late[late.size() / 2];
        st.counters["wake_p99_us"] = late[late.size() * 99 / 100];
        st.counters["wake_max_us"] = late.back();
    }
}
BENCHMARK(BM_SleepWake)
    ->Args({0, 0, 0})->Args({0, 1, 0})->Args({0, 1, 1})
    ->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

QUELVAR_BENCHMARK_MAIN();
