#include "task/ControllerHarness.h"

#include "datafiles/DataFile.h"
#include "support/AllocationCounter.h"

#include <QFileInfo>
#include <array>
#include <gtest/gtest.h>
#include <tuple>

namespace quelvar::test {
namespace {

TEST(ControllerStartup, MissingTableIsGeneratedSavedAndTheFirstPassLaysOutTheWindow)
{
    ControllerHarness h;
    EXPECT_EQ(QFileInfo(h.tableFile).size(), kDistableBytes);
    EXPECT_TRUE(h.dialogs.boxes.empty());
    EXPECT_TRUE(spansTheAmplitude(h.controller.disturb()));
    EXPECT_EQ(h.controller.recording().bitmap().size(), QSize(332, 651));
    EXPECT_TRUE(h.shows(Blank, false, "Inactive", clYellow));
    EXPECT_EQ(QStringList({h.view.dataFile, h.view.runNumber}),
              QStringList({"Default.txt", "  1"}));
    EXPECT_EQ(std::tuple(h.view.layouts, h.e().DisplayScale, h.e().RunCount, h.e().RunNumber),
              std::tuple(1, 1200, 1, 1));
    const FileDialogRequest& save = h.controller.saveDialog();
    EXPECT_EQ(
        QStringList({save.filter, save.defaultSuffix, save.title, save.proposedName}),
        QStringList({"Text files (*.txt)|*.txt", "txt", "Save Data File As", "./Default.txt"}));
    h.passes(3);
    EXPECT_EQ(h.view.layouts, 1) << "the layout is done once";
    // Inactive: Start only answers with the information box.
    h.controller.StartBtnClick();
    EXPECT_EQ(h.dialogs.texts(), QStringList{"Information: First press \"Collect Data\" button "
                                             "to enter data collection mode."});
    EXPECT_TRUE(h.shows(Blank, false, "Inactive", clYellow));
}

TEST(ControllerPacing, EachWaitSleepsToTheMarginThenSpinsToTheSameBoundary)
{
    constexpr std::int64_t period = 16666667;  // 1/60 s, rounded up to whole ns
    constexpr std::int64_t margin = kSpinMarginUs * 1000;
    constexpr std::int64_t sleep = 16666666 - margin;  // 1/60 s less the margin, rounded down
    // Clock step; how late the sleep wakes (0: on the last step before its deadline).
    const struct { std::int64_t step, oversleep; } clocks[] = {
        {1000000, 0}, {1000, 0}, {1000, 1500000}, {1000, 5000000}};
    for (const auto& c : clocks) {
        ControllerHarness h(false);
        h.clock.step = c.step;
        h.clock.oversleep = c.oversleep;
        h.start();
        std::int64_t last = h.e().LastFrameTime;
        for (int i = 0; i < 50; ++i) {
            SCOPED_TRACE(testing::Message() << c.step << " " << c.oversleep << " pass " << i);
            h.clock.sleptUntil.clear();
            h.controller.ApplicationIdle();
            ASSERT_EQ(h.clock.sleptUntil.size(), 1u);
            EXPECT_EQ(h.clock.sleptUntil[0], last + sleep);
            const std::int64_t gap = h.e().LastFrameTime - last;
            // A sleep that wakes past the boundary ends the frame late; else
            // the spin ends it on the first reading at or past the boundary.
            const std::int64_t woke = sleep + c.oversleep + c.step;
            EXPECT_GE(gap, std::max(period, woke));
            EXPECT_LT(gap, std::max(period, woke) + c.step);
            EXPECT_EQ(h.e().LastFrameWallClock, h.e().LastFrameTime + SteppingClock::wallOffset);
            last = h.e().LastFrameTime;
        }
        // A late pass is not caught up: the next one waits a full period again.
        h.clock.ticks += 500000000;
        h.controller.ApplicationIdle();
        const std::int64_t late = h.e().LastFrameTime;
        h.controller.ApplicationIdle();
        EXPECT_GE(h.e().LastFrameTime - late, period);
    }
}

TEST(ControllerCollectData, SaveDialogChoosesTheFileAndStartsPractice)
{
    ControllerHarness h;
    h.collect("subj.txt");
    ASSERT_EQ(h.dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(h.dialogs.saveRequests[0].title, "Save Data File As");
    EXPECT_EQ(h.state->files.DataFilePath, h.folder.path("subj.txt"));
    EXPECT_EQ(QStringList({h.state->files.DataFileName, h.view.dataFile}),
              QStringList({"subj.txt", "subj.txt"}));
    EXPECT_TRUE(h.shows(Tracking, false, "Pre-run Practice", clYellow));
    EXPECT_TRUE(h.dialogs.boxes.empty());
    // The dialog proposes the last chosen file next time.
    h.controller.CollectDataBtnClick();
    EXPECT_EQ(h.dialogs.saveRequests[1].proposedName, h.folder.path("subj.txt"));
}

TEST(ControllerCollectData, CancelledOrRefusedChoiceReportsThatNoFileWasGiven)
{
    ControllerHarness h;
    h.controller.CollectDataBtnClick();  // cancelled
    ASSERT_EQ(h.dialogs.texts(), QStringList{kNoFile});
    EXPECT_EQ(h.e().State, Blank);

    writeAll(h.folder.path("old.txt"), "keep me");
    h.dialogs.boxes.clear();
    h.dialogs.confirmAnswers = {false};
    h.collect("old.txt");
    EXPECT_EQ(h.dialogs.texts(), (QStringList{"Confirm: File exists.  Overwrite?", kNoFile}));
    EXPECT_EQ(h.state->files.DataFilePath, h.folder.path("old.txt"));
    EXPECT_EQ(QStringList({h.state->files.DataFileName, h.view.dataFile}),
              QStringList({"", "Default.txt"}));
    EXPECT_EQ(h.e().State, Blank);

    h.dialogs.boxes.clear();
    h.dialogs.confirmAnswers = {true};
    h.collect("old.txt");
    EXPECT_EQ(h.dialogs.texts(), QStringList{"Confirm: File exists.  Overwrite?"});
    EXPECT_EQ(h.view.dataFile, "old.txt");
    EXPECT_EQ(h.e().State, Tracking);
}

TEST(ControllerCollectData, RefusedOverwriteDuringPracticeNeverLetsARunReplaceThatFile)
{
    ControllerHarness h;
    h.collect("first.txt");
    writeAll(h.folder.path("precious.txt"), "keep me");
    h.dialogs.confirmAnswers = {false};
    h.collect("precious.txt");
    h.dialogs.boxes.clear();
    h.controller.StartBtnClick();
    EXPECT_EQ(h.dialogs.texts(), QStringList{kNoFile});
    EXPECT_TRUE(h.shows(Tracking, false, "Pre-run Practice", clYellow)) << "still practising";

    // Nor does Abort answered No start a minute that could never be saved.
    h.controller.NRunsUpDownClick(2);
    h.dialogs.boxes.clear();
    h.dialogs.confirmAnswers = {false};
    h.controller.AbortBtnClick();
    EXPECT_EQ(h.dialogs.texts(),
              (QStringList{"Confirm: Cancel remaining multiple runs?", kNoFile}));
    EXPECT_TRUE(h.shows(Tracking, false, "Pre-run Practice", clYellow));
    h.passes(kRunPasses);
    EXPECT_EQ(h.dialogs.boxes.size(), 2u);
    EXPECT_EQ(readAll(h.folder.path("precious.txt")), "keep me");
    EXPECT_FALSE(QFileInfo::exists(h.folder.path("precious.par")));
}

// Start, and in a series Abort answered No (in practice or in the pause),
// begin the lead-in with the run's start values; the run number and the data
// file stay, and Start pressed again while recording changes nothing.
TEST(ControllerStart, StartOrAbortAnsweredNoBeginsTheLeadInOnce)
{
    const struct {
        const char* name;
        int runs;  // 1: Start is pressed, else Abort answered No
        bool fromPause;
    } cases[] = {{"Start", 1, false},
                 {"Abort answered No in practice", 2, false},
                 {"Abort answered No in the pause", 2, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ControllerHarness h;
        h.controller.NRunsUpDownClick(c.runs);
        h.collect("subj.txt");
        h.passes(20);
        if (c.fromPause) {
            h.controller.StartBtnClick();
            h.passes(kRunPasses + 100);
            ASSERT_EQ(h.e().State, InterRunCountdown);
        }
        const int runNumber = h.e().RunNumber;
        const QString file = h.state->files.DataFileName;
        h.dialogs.confirmAnswers = {false};
        c.runs == 1 ? h.controller.StartBtnClick() : h.controller.AbortBtnClick();
        EXPECT_TRUE(h.shows(Tracking, true, "Start Tracking", clYellow));
        EXPECT_EQ(std::tuple(h.e().FrameCounter, h.e().TablePosition, h.e().RunNumber),
                  std::tuple(-240, 3360, runNumber));
        EXPECT_EQ(h.state->files.DataFileName, file);
        h.passes(5);
        h.controller.StartBtnClick();
        EXPECT_EQ(h.e().FrameCounter, -235) << "a second press changes nothing";
        EXPECT_EQ(h.dialogs.boxes.size(), c.runs == 1 ? 0u : 1u) << "only Abort's question";
    }
}

// After the run, Analyze enters live analysis, which it refuses while recording.
TEST(ControllerRecording, RunShowsElapsedSecondsStoresTheSamplesFrom3600OnThenCanBeAnalyzed)
{
    ControllerHarness h;
    h.startRun();
    EXPECT_FALSE(h.controller.AnalyzeBtnClick()) << "not while recording";
    EXPECT_FALSE(h.controller.InstructionBtnClick());
    h.passes(1);
    EXPECT_EQ(h.view.elapsed, " -4");
    h.passUntil([&] { return h.e().FrameCounter == -30; });
    EXPECT_EQ(QStringList({h.view.elapsed, h.view.status}), QStringList({"  0", "Start Tracking"}));
    h.passUntil([&] { return h.e().FrameCounter == 0; });
    EXPECT_TRUE(h.shows(Tracking, true, "Recording Data", clLime));
    h.passUntil([&] { return h.e().FrameCounter == 90; });
    EXPECT_EQ(h.view.elapsed, "  2");
    const RunRecord& run = h.state->run;
    EXPECT_EQ((std::array{run.Target[1], run.Target[2], run.Target[90]}),
              (std::array{h.table(3600), h.table(1), h.table(89)}));
    AllocationCounter counter;  // past the first texts and the first recorded frame
    h.passes(200);
    EXPECT_EQ(counter.count(), 0u) << "the frame path allocates nothing";
    h.passUntil([&] { return !h.e().Recording; });
    EXPECT_EQ(h.view.elapsed, " 60");
    EXPECT_TRUE(h.shows(Blank, false, "Idle", clYellow));
    EXPECT_EQ(std::tuple(h.e().RunAvailable, h.e().FrameCounter, run.Target[3600]),
              std::tuple(true, -240, h.table(3599)));
    // Texts go to the window only when they change: once a second, not every frame.
    EXPECT_LE(h.view.elapsedHistory.size(), 70);

    ASSERT_TRUE(h.controller.AnalyzeBtnClick());
    EXPECT_EQ(h.e().State, AnalysisLive);
    EXPECT_EQ(run.MagnifiedRunError[1800], 5.0 * run.Error[1800]);
    h.passes(2);  // the analysis recomputes every frame
    EXPECT_EQ(h.state->analysis.Results.ModelMouseTrace.size(), std::size_t(kRunFrames + 1));
    h.controller.AnalysisFormClosed();
    EXPECT_TRUE(h.shows(Blank, false, "Inactive", clYellow));
    h.controller.StartBtnClick();
    EXPECT_EQ(h.dialogs.boxes.back().kind, "Information");
    EXPECT_FALSE(h.e().Recording);
}

// A finished run lands in the data file byte for byte; a write that fails is
// reported, and either way the run stays available and the box shows the
// chosen name.
TEST(ControllerRecording, FinishedRunIsWrittenOrTheFailureReportedAndTheRunStaysAvailable)
{
    for (const QString& name : {"run.txt", "gone/run.txt"}) {
        SCOPED_TRACE(name.toStdString());
        ControllerHarness h;
        h.startRun(name);
        h.trackUntil([&] { return !h.e().Recording; });
        for (int i = 1; i <= kRunFrames; ++i)
            ASSERT_EQ(h.state->run.Error[i], h.state->run.Target[i] - h.state->run.Mouse[i]) << i;
        const bool written = name == "run.txt";
        if (written)
            EXPECT_EQ(readAll(h.folder.path(name)), formatDataFile(3, 1, h.state->run));
        EXPECT_EQ(h.dialogs.texts(),
                  written ? QStringList() : QStringList{"Error: File I/O error."});
        EXPECT_TRUE(h.e().RunAvailable);
        EXPECT_TRUE(h.shows(Blank, false, "Idle", clYellow));
        EXPECT_EQ(h.view.dataFile, "run.txt");
    }
}

TEST(ControllerRecording, DifficultyChangedDuringARunSwitchesTheTableAtTheNextFrame)
{
    ControllerHarness h;
    h.startRun();
    h.passUntil([&] { return h.e().FrameCounter == 10; });
    h.controller.DiffUpDownClick(5);
    h.controller.DisturbUpDownClick(7);
    h.passes(1);
    EXPECT_EQ(h.state->run.Target[11], h.controller.disturb().at(5, 7, 10));
    h.passUntil([&] { return !h.e().Recording; });
    EXPECT_TRUE(readAll(h.folder.path("run.txt")).startsWith("TrackData\r\n       5       7\r\n"));
}

TEST(ControllerPractice, TablePositionWrapsFrom3600To1)
{
    ControllerHarness h;
    h.collect("run.txt");
    h.e().TablePosition = 3599;
    h.passes(1);
    EXPECT_EQ(h.controller.recording().TargetValue, h.table(3599));
    h.passes(1);
    EXPECT_EQ(h.e().TablePosition, 1);
    h.passes(1);
    EXPECT_EQ(std::pair(h.controller.recording().TargetValue, h.e().TablePosition),
              std::pair(h.table(1), 2));
}

TEST(ControllerSeries, ThreeRunsCountDownBetweenRunsAndNameTheirFiles)
{
    ControllerHarness h;
    h.controller.NRunsUpDownClick(3);
    EXPECT_TRUE(h.e().MultiRun);
    h.startRun("subj.txt");

    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        h.passes(kRunPasses - 1);
        EXPECT_TRUE(h.e().Recording);
        h.passes(1);
        EXPECT_EQ(h.e().State, NextRun);
        EXPECT_EQ(h.view.status, "Recording Data") << "kept through the pause";
        h.passes(1);
        EXPECT_EQ(std::tuple(h.e().State, h.e().RunNumber, h.e().CountdownFrames),
                  std::tuple(InterRunCountdown, run + 1, 300));
        EXPECT_EQ(h.view.runNumber, QString::asprintf("%3d", run + 1));
        h.view.elapsedHistory.clear();
        for (int second = 4; second >= 0; --second) {
            h.passes(59);
            EXPECT_EQ(h.view.elapsedHistory.size(), 4 - second);
            h.passes(1);
            EXPECT_EQ(h.view.elapsed, QString::asprintf("%3d", second));
        }
        EXPECT_EQ(h.e().FrameCounter, -240);
        // A later lead-in is shown on green.
        EXPECT_TRUE(h.shows(Tracking, true, "Start Tracking", clLime));
    }
    h.passes(kRunPasses);
    EXPECT_TRUE(h.shows(Blank, false, "Idle", clYellow));
    EXPECT_EQ(std::tuple(h.e().RunNumber, h.view.dataFile), std::tuple(3, QString("subj_c.txt")));
    for (const char* name :
         {"subj.txt", "subj_b.txt", "subj_c.txt", "subj.par", "subj_b.par", "subj_c.par"})
        EXPECT_TRUE(QFileInfo::exists(h.folder.path(name))) << name;
    EXPECT_TRUE(readAll(h.folder.path("subj_c.par")).startsWith("TrackParameters"));
    EXPECT_TRUE(h.dialogs.boxes.empty());
}

TEST(ControllerAbort, SeriesAbortAnsweredYesCancelsTheSeries)
{
    ControllerHarness h;
    h.controller.NRunsUpDownClick(3);
    h.startRun("subj.txt");
    h.passes(kRunPasses + 2);  // into the pause after run 1
    ASSERT_EQ(h.e().RunNumber, 2);
    h.controller.AbortBtnClick();
    EXPECT_EQ(h.dialogs.texts(), QStringList{"Confirm: Cancel remaining multiple runs?"});
    EXPECT_EQ(std::pair(h.e().RunNumber, h.view.runNumber), std::pair(1, QString("  1")));
    EXPECT_TRUE(h.shows(Blank, false, "Inactive", clYellow));
    EXPECT_FALSE(h.e().RunAvailable);
    // Inactive again: a further Abort does nothing, Start asks for Collect Data.
    h.controller.AbortBtnClick();
    h.controller.StartBtnClick();
    EXPECT_EQ(h.dialogs.boxes.size(), 2u);
    EXPECT_EQ(h.dialogs.boxes[1].kind, "Information");
}

TEST(ControllerSpinners, RunCountSetsTheSeriesFlagAndTheIntervalRestartsTheRunNumber)
{
    ControllerHarness h;
    h.controller.NRunsUpDownClick(2);
    EXPECT_EQ(std::pair(h.e().RunCount, h.e().MultiRun), std::pair(2, true));
    h.controller.NRunsUpDownClick(1);
    EXPECT_FALSE(h.e().MultiRun);

    h.e().RunNumber = 4;
    h.controller.IRIUpDownClick(10);
    EXPECT_EQ(std::tuple(h.e().RunNumber, h.view.runNumber, h.controller.spinners().IRI),
              std::tuple(1, QString("  1"), 10));

    h.startRun();
    h.e().RunNumber = 4;
    h.controller.IRIUpDownClick(15);
    EXPECT_EQ(h.e().RunNumber, 4) << "not while recording";
    EXPECT_EQ(h.controller.spinners().IRI, 15) << "the position itself still moves";
}

}  // namespace
}  // namespace quelvar::test
