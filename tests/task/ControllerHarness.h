#pragma once
// A controller on fakes: a main view that records what it is shown, a clock
// that advances by itself, scripted boxes and a temporary working folder.
#include "analysis/AnalysisSession.h"
#include "common/SharedState.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"
#include "task/DisturbFR.h"
#include "task/ExperimentController.h"
#include "task/FrameClock.h"
#include "task/MainView.h"

#include <QImage>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quelvar::test {

constexpr int kRunPasses = 240 + 3600;  // lead-in and recording
const QString kNoFile = "Error: No data filename specified; Data collection cancelled.";

// A generated table: its waveforms reach both ends of the amplitude.
inline bool spansTheAmplitude(const TDisturb& d)
{
    const auto [low, high] = std::minmax_element(d.Table.begin(), d.Table.end());
    return std::abs(*low + 500.0) < 1e-9 && std::abs(*high - 500.0) < 1e-9;
}

class RecordingView : public MainView {
public:
    QString status;
    QRgb statusColor = 0;
    QString elapsed;
    QString runNumber;
    QString dataFile;
    QStringList elapsedHistory;
    int layouts = 0;
    int shows = 0;

    void setStatus(const QString& text, QRgb color) override
    {
        status = text;
        statusColor = color;
    }
    void setElapsedTimeText(std::string_view text) override
    {
        elapsed = QString::fromLatin1(text);
        elapsedHistory << elapsed;
    }
    void setRunNumberText(std::string_view text) override { runNumber = QString::fromLatin1(text); }
    void setDataFileText(const QString& text) override { dataFile = text; }
    QSize layOutForStart() override
    {
        ++layouts;
        return {332, 651};  // the target display's client area
    }
    void showTargetDisplay(const QImage&) override { ++shows; }
};

// Every reading moves the clock on by a step (a millisecond), so a wait
// ends on the first whole step at or past its boundary; a sleep moves it to
// the last whole step before its deadline, or `oversleep` past the deadline
// when that is set. The wall clock stands `wallOffset` ahead.
class SteppingClock : public FrameClock {
public:
    static constexpr std::int64_t wallOffset = 1765000000LL * 1000000000;
    std::int64_t ticks = 0;
    std::int64_t step = 1000000;
    std::int64_t oversleep = 0;
    std::vector<std::int64_t> sleptUntil;
    // Room for every pass of a series, so that the fake allocates nothing in
    // the frame path a test counts allocations in.
    SteppingClock() { sleptUntil.reserve(1 << 16); }
    std::int64_t now() override { return ticks += step; }
    std::int64_t frequency() override { return 1000000000; }
    void sleepUntil(std::int64_t deadline) override
    {
        sleptUntil.push_back(deadline);
        ticks = std::max(ticks, oversleep > 0 ? deadline + oversleep : deadline - deadline % step);
    }
    std::int64_t wallClockNs() override { return ticks + wallOffset; }
};

struct ControllerHarness {
    // `startNow` false: the test prepares the folder (or the view) and calls start().
    explicit ControllerHarness(bool startNow = true)
    {
        if (startNow)
            start();
    }

    TempFolder folder;
    std::unique_ptr<SharedState> state = std::make_unique<SharedState>();
    ScriptedDialogs dialogs;
    AnalysisSession session{*state, dialogs};
    RecordingView view;
    SteppingClock clock;
    ExperimentController controller{*state, view, dialogs, session, clock};

    ExperimentState& e() { return state->experiment; }
    QString tableFile = folder.path("Distable");  // what start-up loads or saves

    // Start-up as the window does it, then the first pass (layout).
    void start()
    {
        controller.InitExperiment(tableFile);
        controller.StartPacing();
        controller.ApplicationIdle();
    }
    void passes(int n)
    {
        for (int i = 0; i < n; ++i)
            controller.ApplicationIdle();
    }
    // Passes until `done` holds; false if it never did within `limit`.
    bool passUntil(const std::function<bool()>& done, int limit = 20000)
    {
        for (int i = 0; i < limit; ++i) {
            if (done())
                return true;
            controller.ApplicationIdle();
        }
        return done();
    }
    // Passes with the participant moving the mouse about (every `stride`-th
    // position), `afterPass` after each, until `done` holds.
    void trackUntil(const std::function<bool()>& done, int stride = 7,
                    const std::function<void()>& afterPass = {})
    {
        for (int i = 0; !done(); ++i) {
            controller.recording().TargetPaintMouseMove((i * stride) % 651);
            controller.ApplicationIdle();
            if (afterPass)
                afterPass();
        }
    }
    // Collect Data with a new file in the folder: practice starts.
    void collect(const QString& name)
    {
        dialogs.saveAnswers.push_back(folder.path(name));
        controller.CollectDataBtnClick();
    }
    // Collect Data, then Start: the lead-in of a run begins.
    void startRun(const QString& name = "run.txt")
    {
        collect(name);
        controller.StartBtnClick();
    }
    // For EXPECT_TRUE: the controller's state, whether it records, and the status shown.
    testing::AssertionResult shows(std::int32_t state, bool recording, const QString& status,
                                   QRgb color)
    {
        if (e().State == state && e().Recording == recording && view.status == status
            && view.statusColor == color)
            return testing::AssertionSuccess();
        return testing::AssertionFailure()
               << "state " << e().State << (e().Recording ? ", recording" : ", not recording")
               << ", status \"" << view.status.toStdString() << "\" on " << std::hex
               << view.statusColor;
    }
    double table(int position)
    {
        return controller.disturb().at(e().Difficulty, e().DisturbanceNumber, position);
    }
};

}  // namespace quelvar::test
