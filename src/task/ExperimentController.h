#pragma once
// The experiment controller: start-up of the task, the six-state machine run
// once per frame, the 60 Hz pacing, and what every button and spinner of the
// main window does to the experiment. It reaches the window only through
// MainView and the boxes only through Dialogs, so tests drive it frame by
// frame with a clock of their own.
#include "common/Dialogs.h"
#include "common/SharedState.h"
#include "task/DisturbFR.h"
#include "task/MainViewTexts.h"
#include "task/RunRecording.h"
#include "task/RunSettingPositions.h"
#include "task/RunTimingReport.h"

#include <QString>
#include <cstdint>
#include <memory>

namespace quelvar {

class AnalysisSession;
class FrameClock;
class MainView;

// How long before a frame's boundary the pacing wait stops sleeping and
// spins. Measured with bench_pacing (BM_SleepWake) on a two-core machine
// with every core busy: a real-time thread's sleep woke 0.07 ms late at the
// median and 0.75 ms at the 99th percentile, so 2 ms covers nearly every
// wake-up (a rarer later one still ends its frame within 1/50 s) while the
// processor stays free for seven eighths of each frame. At normal priority
// the wake-up was 4 ms late at the median and 20 ms at the 99th percentile:
// no margin covers that, only real-time scheduling does.
inline constexpr int kSpinMarginUs = 2000;

class ExperimentController {
public:
    ExperimentController(SharedState& state, MainView& view, Dialogs& dialogs,
                         AnalysisSession& session, FrameClock& clock);
    ~ExperimentController();
    ExperimentController(const ExperimentController&) = delete;
    ExperimentController& operator=(const ExperimentController&) = delete;

    // Start-up reset: seed, the disturbance table from `distablePath` (made
    // and saved when missing), the run record cleared. A table file that
    // cannot be read or written is reported and the session goes on with a
    // freshly generated table, leaving the file as it was.
    void InitExperiment(const QString& distablePath = QString::fromLatin1(kDistableFileName));
    // Reads the clock's frequency and the first frame time.
    void StartPacing();

    // One pass of the idle handler: a state step, then the pacing wait. The
    // event loop processes pending messages after it returns.
    void ApplicationIdle();
    void StepState();
    void Pace();

    // Handlers of the main window.
    void CollectDataBtnClick();
    void StartBtnClick();
    void AbortBtnClick();
    bool AnalyzeBtnClick();      // true: show the analysis window now
    bool InstructionBtnClick();  // true: show the instructions now
    void DiffUpDownClick(int position);
    void DisturbUpDownClick(int position);
    void NRunsUpDownClick(int position);
    void IRIUpDownClick(int position);
    // The analysis window closed.
    void AnalysisFormClosed();

    // The save dialog and the overwrite question; the next file of a series.
    void ChooseDataFile();
    void NextDataFileName();

    SharedState& state() { return state_; }
    ExperimentState& experiment() { return state_.experiment; }
    RunRecording& recording() { return recording_; }
    RunTimingReport& timing() { return timing_; }
    TDisturb& disturb() { return *disturb_; }
    const FileDialogRequest& saveDialog() const { return saveDialog_; }
    const RunSettingPositions& spinners() const { return spinners_; }
    const MainViewTexts& texts() const { return texts_; }

private:
    void applyRunStartValues();
    void stepStartupLayout();
    void stepNextRun();
    void stepCountdown();
    // Before a lead-in: a file name chosen for recording, and leave to
    // replace each file the run (or the rest of the series) would overwrite.
    // Reports a refusal itself.
    bool runFilesMayBeWritten();
    void enterPractice();

    SharedState& state_;
    Dialogs& dialogs_;
    AnalysisSession& session_;
    FrameClock& clock_;
    MainViewTexts texts_;
    std::unique_ptr<TDisturb> disturb_;
    RunRecording recording_;
    RunSettingPositions spinners_;
    FileDialogRequest saveDialog_;
    RunTimingReport timing_;
};

}  // namespace quelvar
