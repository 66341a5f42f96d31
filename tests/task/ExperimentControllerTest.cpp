#include "task/ControllerHarness.h"

#include "datafiles/DataFile.h"
#include "support/AllocationCounter.h"
#include "task/DisturbFR.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

namespace quelvar::test {
namespace {

constexpr int kRunPasses = 240 + 3600;  // lead-in and recording

QByteArray tableBytes(double value)
{
    QByteArray bytes(kDistableBytes, Qt::Uninitialized);
    for (int i = 0; i < kTableValues; ++i)
        std::memcpy(bytes.data() + i * 8, &value, 8);  // the test machines are little-endian
    return bytes;
}

double largestValue(TDisturb& table)
{
    double largest = -1e300;
    for (double v : table.Table)
        largest = std::max(largest, v);
    return largest;
}

TEST(ControllerStartup, MissingTableIsGeneratedSavedAndTheFirstPassLaysOutTheWindow)
{
    ControllerHarness h;
    h.start();
    EXPECT_EQ(QFileInfo(h.distable()).size(), kDistableBytes);
    EXPECT_TRUE(h.dialogs.boxes.empty());
    EXPECT_NEAR(largestValue(h.controller.disturb()), 500.0, 1e-9);
    EXPECT_EQ(h.view.layouts, 1);
    EXPECT_EQ(h.controller.recording().bitmap().size(), QSize(332, 651));
    EXPECT_EQ(h.e().State, Blank);
    EXPECT_EQ(h.e().DisplayScale, 1200);
    EXPECT_EQ(h.view.status, "Inactive");
    EXPECT_EQ(h.view.statusColor, clYellow);
    EXPECT_EQ(h.view.dataFile, "Default.txt");
    EXPECT_EQ(h.view.runNumber, "  1");
    EXPECT_EQ(h.e().RunCount, 1);
    EXPECT_EQ(h.e().RunNumber, 1);
    const FileDialogRequest& save = h.controller.saveDialog();
    EXPECT_EQ(save.filter, "Text files (*.txt)|*.txt");
    EXPECT_EQ(save.defaultSuffix, "txt");
    EXPECT_EQ(save.title, "Save Data File As");
    EXPECT_EQ(save.proposedName, "./Default.txt");
    h.passes(3);
    EXPECT_EQ(h.view.layouts, 1) << "the layout is done once";
}

TEST(ControllerStartup, ExistingTableIsLoadedAsItIs)
{
    ControllerHarness h;
    writeAll(h.distable(), tableBytes(123.25));
    h.start();
    EXPECT_TRUE(h.dialogs.boxes.empty());
    EXPECT_EQ(h.controller.disturb().at(5, 10, 3600), 123.25);
}

// A table file that cannot be used is reported with the reader's own text;
// the session then runs on a fresh table and the file is left alone.
TEST(ControllerStartup, UnusableTableFileIsReportedAndTheSessionRunsOnAFreshTable)
{
    struct Case {
        const char* name;
        std::function<void(const QString&)> make;
        const char* messageStart;
    };
    const Case cases[] = {
        {"short file", [](const QString& p) { writeAll(p, QByteArray(1000, '\0')); }, "Stream read error"},
        {"folder in its place", [](const QString& p) { QDir().mkdir(p); }, "Cannot open file"},
        {"not a number",
         [](const QString& p) {
             QByteArray bytes = tableBytes(1.0);
             const double nan = std::nan("");
             std::memcpy(bytes.data() + 8 * 4000, &nan, 8);
             writeAll(p, bytes);
         },
         "Invalid value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ControllerHarness h;
        c.make(h.distable());
        const QFileInfo before(h.distable());
        const QByteArray bytesBefore = before.isFile() ? readAll(h.distable()) : QByteArray();
        h.start();
        ASSERT_EQ(h.dialogs.boxes.size(), 1u);
        EXPECT_EQ(h.dialogs.boxes[0].kind, "Error");
        EXPECT_TRUE(h.dialogs.boxes[0].text.startsWith(c.messageStart)) << h.dialogs.boxes[0].text.toStdString();
        EXPECT_NEAR(largestValue(h.controller.disturb()), 500.0, 1e-9) << "a generated table";
        if (before.isFile())
            EXPECT_EQ(readAll(h.distable()), bytesBefore) << "the file is untouched";
        // Start-up completed: the idle handler ran and the task can start.
        EXPECT_EQ(h.e().State, Blank);
        EXPECT_EQ(h.e().DisplayScale, 1200);
        h.collect("run.txt");
        h.controller.StartBtnClick();
        EXPECT_EQ(h.e().State, Tracking);
        EXPECT_TRUE(h.e().Recording);
    }
}

TEST(ControllerStartup, TableThatCannotBeSavedIsReportedAndKeptInMemory)
{
    ControllerHarness h;
    h.controller.InitExperiment(h.folder.path("no such folder/Distable"));
    h.controller.StartPacing();
    h.passes(1);
    ASSERT_EQ(h.dialogs.boxes.size(), 1u);
    EXPECT_TRUE(h.dialogs.boxes[0].text.startsWith("Cannot create file"));
    EXPECT_NEAR(largestValue(h.controller.disturb()), 500.0, 1e-9);
    EXPECT_EQ(h.e().State, Blank);
    EXPECT_EQ(h.e().DisplayScale, 1200);
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
        ControllerHarness h;
        h.clock.step = c.step;
        h.clock.oversleep = c.oversleep;
        h.start();
        std::int64_t last = h.e().LastFrameTime;
        for (int i = 0; i < 50; ++i) {
            h.clock.sleptUntil.clear();
            h.controller.ApplicationIdle();
            ASSERT_EQ(h.clock.sleptUntil.size(), 1u);
            EXPECT_EQ(h.clock.sleptUntil[0], last + sleep);
            const std::int64_t gap = h.e().LastFrameTime - last;
            // A sleep that wakes past the boundary ends the frame late; else
            // the spin ends it on the first reading at or past the boundary.
            const std::int64_t woke = sleep + c.oversleep + c.step;
            EXPECT_GE(gap, std::max(period, woke)) << c.step << " " << c.oversleep << " pass " << i;
            EXPECT_LT(gap, std::max(period, woke) + c.step) << c.step << " " << c.oversleep << " pass " << i;
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
    h.start();
    h.collect("subj.txt");
    ASSERT_EQ(h.dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(h.dialogs.saveRequests[0].title, "Save Data File As");
    EXPECT_EQ(h.state->files.DataFilePath, h.folder.path("subj.txt"));
    EXPECT_EQ(h.state->files.DataFileName, "subj.txt");
    EXPECT_EQ(h.view.dataFile, "subj.txt");
    EXPECT_EQ(h.view.status, "Pre-run Practice");
    EXPECT_EQ(h.view.statusColor, clYellow);
    EXPECT_EQ(h.e().State, Tracking);
    EXPECT_FALSE(h.e().Recording);
    EXPECT_TRUE(h.dialogs.boxes.empty());
    // The dialog proposes the last chosen file next time.
    h.controller.CollectDataBtnClick();
    EXPECT_EQ(h.dialogs.saveRequests[1].proposedName, h.folder.path("subj.txt"));
}

TEST(ControllerCollectData, CancelledOrRefusedChoiceReportsThatNoFileWasGiven)
{
    ControllerHarness h;
    h.start();
    h.controller.CollectDataBtnClick();  // cancelled
    ASSERT_EQ(h.dialogs.texts(),
              QStringList{"Error: No data filename specified; Data collection cancelled."});
    EXPECT_EQ(h.e().State, Blank);

    writeAll(h.folder.path("old.txt"), "keep me");
    h.dialogs.boxes.clear();
    h.dialogs.confirmAnswers = {false};
    h.collect("old.txt");
    EXPECT_EQ(h.dialogs.texts(), (QStringList{"Confirm: File exists.  Overwrite?",
                                             "Error: No data filename specified; Data collection cancelled."}));
    EXPECT_EQ(h.state->files.DataFilePath, h.folder.path("old.txt"));
    EXPECT_TRUE(h.state->files.DataFileName.isEmpty());
    EXPECT_EQ(h.view.dataFile, "Default.txt");
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
    h.start();
    h.collect("first.txt");
    writeAll(h.folder.path("precious.txt"), "keep me");
    h.dialogs.confirmAnswers = {false};
    h.collect("precious.txt");
    EXPECT_EQ(h.view.status, "Pre-run Practice") << "still practising";
    const QString refused = "Error: No data filename specified; Data collection cancelled.";
    h.dialogs.boxes.clear();
    h.controller.StartBtnClick();
    EXPECT_EQ(h.dialogs.texts(), QStringList{refused});
    EXPECT_FALSE(h.e().Recording);

    // Nor does Abort answered No start a minute that could never be saved.
    h.controller.NRunsUpDownClick(2);
    h.dialogs.boxes.clear();
    h.dialogs.confirmAnswers = {false};
    h.controller.AbortBtnClick();
    EXPECT_EQ(h.dialogs.texts(), (QStringList{"Confirm: Cancel remaining multiple runs?", refused}));
    EXPECT_FALSE(h.e().Recording);
    EXPECT_EQ(h.view.status, "Pre-run Practice");
    h.passes(kRunPasses);
    EXPECT_EQ(h.dialogs.boxes.size(), 2u);
    EXPECT_EQ(readAll(h.folder.path("precious.txt")), "keep me");
    EXPECT_FALSE(QFileInfo::exists(h.folder.path("precious.par")));
}

TEST(ControllerStart, InactiveStatusOnlyAnswersWithTheInformationBox)
{
    ControllerHarness h;
    h.start();
    h.controller.StartBtnClick();
    EXPECT_EQ(h.dialogs.texts(),
              QStringList{"Information: First press \"Collect Data\" button to enter data collection mode."});
    EXPECT_EQ(h.e().State, Blank);
    EXPECT_FALSE(h.e().Recording);
}

TEST(ControllerStart, StartAppliesTheRunStartValuesAndIsIgnoredWhileRecording)
{
    ControllerHarness h;
    h.start();
    h.collect("run.txt");
    h.passes(10);
    h.controller.StartBtnClick();
    EXPECT_EQ(h.e().FrameCounter, -240);
    EXPECT_EQ(h.e().TablePosition, 3360);
    EXPECT_EQ(h.view.status, "Start Tracking");
    EXPECT_TRUE(h.e().Recording);
    EXPECT_EQ(h.e().State, Tracking);
    h.passes(5);
    h.controller.StartBtnClick();
    EXPECT_EQ(h.e().FrameCounter, -235) << "a second press changes nothing";
    EXPECT_TRUE(h.dialogs.boxes.empty());
}

TEST(ControllerRecording, RunShowsElapsedSecondsAndStoresTheSamplesFrom3600On)
{
    ControllerHarness h;
    h.start();
    h.collect("run.txt");
    h.controller.StartBtnClick();
    h.passes(1);
    EXPECT_EQ(h.view.elapsed, " -4");
    h.passUntil([&] { return h.e().FrameCounter == -30; });
    EXPECT_EQ(h.view.elapsed, "  0");
    EXPECT_EQ(h.view.status, "Start Tracking");
    h.passUntil([&] { return h.e().FrameCounter == 0; });
    EXPECT_EQ(h.view.status, "Recording Data");
    EXPECT_EQ(h.view.statusColor, clLime);
    h.passUntil([&] { return h.e().FrameCounter == 90; });
    EXPECT_EQ(h.view.elapsed, "  2");
    EXPECT_EQ(h.state->run.Target[1], h.table(3600));
    EXPECT_EQ(h.state->run.Target[2], h.table(1));
    EXPECT_EQ(h.state->run.Target[90], h.table(89));
    h.passUntil([&] { return !h.e().Recording; });
    EXPECT_EQ(h.view.elapsed, " 60");
    EXPECT_EQ(h.view.status, "Idle");
    EXPECT_EQ(h.view.statusColor, clYellow);
    EXPECT_EQ(h.e().State, Blank);
    EXPECT_TRUE(h.e().RunAvailable);
    EXPECT_EQ(h.e().FrameCounter, -240);
    EXPECT_EQ(h.state->run.Target[3600], h.table(3599));
    // Texts go to the window only when they change: once a second, not every frame.
    EXPECT_LE(h.view.elapsedHistory.size(), 70);
}

TEST(ControllerRecording, FinishedRunLandsInTheDataFileByteForByte)
{
    ControllerHarness h;
    h.start();
    h.collect("run.txt");
    h.controller.StartBtnClick();
    // The participant moves the mouse about during the run.
    for (int i = 0; h.e().Recording; ++i) {
        h.controller.recording().TargetPaintMouseMove((i * 7) % 651);
        h.controller.ApplicationIdle();
    }
    for (int i = 1; i <= kRunFrames; ++i)
        ASSERT_EQ(h.state->run.Error[i], h.state->run.Target[i] - h.state->run.Mouse[i]) << i;
    EXPECT_EQ(readAll(h.folder.path("run.txt")), formatDataFile(3, 1, h.state->run));
    EXPECT_EQ(h.view.dataFile, "run.txt");
    EXPECT_TRUE(h.dialogs.boxes.empty());
}

TEST(ControllerRecording, FailedWriteIsReportedAndTheRunStaysAvailable)
{
    ControllerHarness h;
    h.start();
    h.dialogs.saveAnswers.push_back(h.folder.path("gone/run.txt"));
    h.controller.CollectDataBtnClick();
    h.controller.StartBtnClick();
    h.passUntil([&] { return !h.e().Recording; });
    EXPECT_EQ(h.dialogs.texts(), QStringList{"Error: File I/O error."});
    EXPECT_TRUE(h.e().RunAvailable);
    EXPECT_EQ(h.view.status, "Idle");
    EXPECT_EQ(h.e().State, Blank);
    EXPECT_EQ(h.view.dataFile, "run.txt") << "the box shows the chosen name, not a written file";
}

TEST(ControllerRecording, DifficultyChangedDuringARunSwitchesTheTableAtTheNextFrame)
{
    ControllerHarness h;
    h.start();
    h.collect("run.txt");
    h.controller.StartBtnClick();
    h.passUntil([&] { return h.e().FrameCounter == 10; });
    h.controller.DiffUpDownClick(5);
    h.controller.DisturbUpDownClick(7);
    h.passes(1);
    EXPECT_EQ(h.state->run.Target[11], h.controller.disturb().at(5, 7, 10));
    h.passUntil([&] { return !h.e().Recording; });
    EXPECT_TRUE(readAll(h.folder.path("run.txt")).startsWith("TrackData\r\n       5       7\r\n"));
}

TEST(ControllerRecording, FramePathAllocatesNothing)
{
    ControllerHarness h;
    h.start();
    h.collect("run.txt");
    h.controller.StartBtnClick();
    h.passes(300);  // past the first texts and the first recorded frame
    AllocationCounter counter;
    h.passes(200);
    EXPECT_EQ(counter.count(), 0u);
}

TEST(ControllerPractice, TablePositionWrapsFrom3600To1)
{
    ControllerHarness h;
    h.start();
    h.collect("run.txt");
    h.e().TablePosition = 3599;
    h.passes(1);
    EXPECT_EQ(h.controller.recording().TargetValue, h.table(3599));
    h.passes(1);
    EXPECT_EQ(h.e().TablePosition, 1);
    h.passes(1);
    EXPECT_EQ(h.controller.recording().TargetValue, h.table(1));
    EXPECT_EQ(h.e().TablePosition, 2);
}

TEST(ControllerSeries, ThreeRunsCountDownBetweenRunsAndNameTheirFiles)
{
    ControllerHarness h;
    h.start();
    h.controller.NRunsUpDownClick(3);
    EXPECT_TRUE(h.e().MultiRun);
    h.collect("subj.txt");
    h.controller.StartBtnClick();

    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        h.passes(kRunPasses - 1);
        EXPECT_TRUE(h.e().Recording);
        h.passes(1);
        EXPECT_EQ(h.e().State, NextRun);
        EXPECT_EQ(h.view.status, "Recording Data") << "kept through the pause";
        h.passes(1);
        EXPECT_EQ(h.e().State, InterRunCountdown);
        EXPECT_EQ(h.e().RunNumber, run + 1);
        EXPECT_EQ(h.view.runNumber, QString::asprintf("%3d", run + 1));
        EXPECT_EQ(h.e().CountdownFrames, 300);
        h.view.elapsedHistory.clear();
        for (int second = 4; second >= 0; --second) {
            h.passes(59);
            EXPECT_EQ(h.view.elapsedHistory.size(), 4 - second);
            h.passes(1);
            EXPECT_EQ(h.view.elapsed, QString::asprintf("%3d", second));
        }
        EXPECT_EQ(h.e().State, Tracking);
        EXPECT_EQ(h.e().FrameCounter, -240);
        EXPECT_EQ(h.view.status, "Start Tracking");
        EXPECT_EQ(h.view.statusColor, clLime) << "a later lead-in is shown on green";
    }
    h.passes(kRunPasses);
    EXPECT_EQ(h.e().State, Blank);
    EXPECT_EQ(h.view.status, "Idle");
    EXPECT_EQ(h.e().RunNumber, 3);
    EXPECT_EQ(h.view.dataFile, "subj_c.txt");
    for (const char* name : {"subj.txt", "subj_b.txt", "subj_c.txt", "subj.par", "subj_b.par", "subj_c.par"})
        EXPECT_TRUE(QFileInfo::exists(h.folder.path(name))) << name;
    EXPECT_TRUE(readAll(h.folder.path("subj_c.par")).startsWith("TrackParameters"));
    EXPECT_TRUE(h.dialogs.boxes.empty());
}

TEST(ControllerAbort, SingleRunAbortGoesBackToPracticeAndClearsTheRun)
{
    ControllerHarness h;
    h.start();
    h.collect("run.txt");
    h.controller.StartBtnClick();
    h.passUntil([&] { return h.e().FrameCounter == 500; });
    h.controller.AbortBtnClick();
    EXPECT_TRUE(h.dialogs.boxes.empty());
    EXPECT_FALSE(h.e().Recording);
    EXPECT_FALSE(h.e().RunAvailable);
    EXPECT_EQ(h.e().State, Tracking);
    EXPECT_EQ(h.view.status, "Pre-run Practice");
    EXPECT_EQ(h.view.statusColor, clYellow);
    EXPECT_EQ(h.view.elapsed, " ");
    for (int i = 1; i <= kRunFrames; ++i)
        ASSERT_TRUE(h.state->run.Mouse[i] == 0.0 && h.state->run.Target[i] == 0.0 && h.state->run.Error[i] == 0.0) << i;
    // Practice goes on from wherever the table index stands.
    const int position = h.e().TablePosition;
    h.passes(1);
    EXPECT_EQ(h.e().TablePosition, position + 1);
    EXPECT_FALSE(QFileInfo::exists(h.folder.path("run.txt")));
}

TEST(ControllerAbort, SeriesAbortAnsweredYesCancelsTheSeries)
{
    ControllerHarness h;
    h.start();
    h.controller.NRunsUpDownClick(3);
    h.collect("subj.txt");
    h.controller.StartBtnClick();
    h.passes(kRunPasses + 2);  // into the pause after run 1
    ASSERT_EQ(h.e().RunNumber, 2);
    h.controller.AbortBtnClick();
    EXPECT_EQ(h.dialogs.texts(), QStringList{"Confirm: Cancel remaining multiple runs?"});
    EXPECT_EQ(h.e().State, Blank);
    EXPECT_EQ(h.e().RunNumber, 1);
    EXPECT_EQ(h.view.runNumber, "  1");
    EXPECT_EQ(h.view.status, "Inactive");
    EXPECT_EQ(h.view.statusColor, clYellow);
    EXPECT_FALSE(h.e().Recording);
    EXPECT_FALSE(h.e().RunAvailable);
    // Inactive again: a further Abort does nothing, Start asks for Collect Data.
    h.controller.AbortBtnClick();
    h.controller.StartBtnClick();
    EXPECT_EQ(h.dialogs.boxes.size(), 2u);
    EXPECT_EQ(h.dialogs.boxes[1].kind, "Information");
}

TEST(ControllerAbort, SeriesAbortAnsweredNoStartsTheLeadInAtOnce)
{
    struct Case {
        const char* name;
        int passesBeforeAbort;  // after Start
        bool startFirst;
    };
    for (const Case c : {Case{"from practice", 0, false}, Case{"from the pause", kRunPasses + 100, true}}) {
        SCOPED_TRACE(c.name);
        ControllerHarness h;
        h.start();
        h.controller.NRunsUpDownClick(2);
        h.collect("subj.txt");
        h.passes(20);
        if (c.startFirst) {
            h.controller.StartBtnClick();
            h.passes(c.passesBeforeAbort);
            ASSERT_EQ(h.e().State, InterRunCountdown);
        }
        const int runNumber = h.e().RunNumber;
        const QString file = h.state->files.DataFileName;
        h.dialogs.confirmAnswers = {false};
        h.controller.AbortBtnClick();
        EXPECT_EQ(h.e().State, Tracking);
        EXPECT_TRUE(h.e().Recording);
        EXPECT_EQ(h.e().FrameCounter, -240);
        EXPECT_EQ(h.e().TablePosition, 3360);
        EXPECT_EQ(h.view.status, "Start Tracking");
        EXPECT_EQ(h.view.statusColor, clYellow);
        EXPECT_EQ(h.e().RunNumber, runNumber);
        EXPECT_EQ(h.state->files.DataFileName, file);
    }
}

TEST(ControllerAnalysis, AnalyzeEntersLiveAnalysisAndClosingLeavesTheStatusInactive)
{
    ControllerHarness h;
    h.start();
    h.collect("run.txt");
    h.controller.StartBtnClick();
    EXPECT_FALSE(h.controller.AnalyzeBtnClick()) << "not while recording";
    EXPECT_FALSE(h.controller.InstructionBtnClick());
    h.passUntil([&] { return !h.e().Recording; });
    ASSERT_TRUE(h.controller.AnalyzeBtnClick());
    EXPECT_EQ(h.e().State, AnalysisLive);
    EXPECT_EQ(h.state->run.MagnifiedRunError[1800], 5.0 * h.state->run.Error[1800]);
    h.passes(2);  // the analysis recomputes every frame
    EXPECT_EQ(h.state->analysis.Results.ModelMouseTrace.size(), std::size_t(kRunFrames + 1));
    h.controller.AnalysisFormClosed();
    EXPECT_EQ(h.e().State, Blank);
    EXPECT_EQ(h.view.status, "Inactive");
    h.controller.StartBtnClick();
    EXPECT_EQ(h.dialogs.boxes.back().kind, "Information");
    EXPECT_FALSE(h.e().Recording);
}

TEST(ControllerSpinners, RunCountSetsTheSeriesFlagAndTheIntervalRestartsTheRunNumber)
{
    ControllerHarness h;
    h.start();
    h.controller.NRunsUpDownClick(2);
    EXPECT_EQ(h.e().RunCount, 2);
    EXPECT_TRUE(h.e().MultiRun);
    h.controller.NRunsUpDownClick(1);
    EXPECT_FALSE(h.e().MultiRun);

    h.e().RunNumber = 4;
    h.controller.IRIUpDownClick(10);
    EXPECT_EQ(h.e().RunNumber, 1);
    EXPECT_EQ(h.view.runNumber, "  1");
    EXPECT_EQ(h.controller.spinners().IRI, 10);

    h.collect("run.txt");
    h.controller.StartBtnClick();
    h.e().RunNumber = 4;
    h.controller.IRIUpDownClick(15);
    EXPECT_EQ(h.e().RunNumber, 4) << "not while recording";
    EXPECT_EQ(h.controller.spinners().IRI, 15) << "the position itself still moves";
}

}  // namespace
}  // namespace quelvar::test
