// Ordinary sequences of button presses that used to destroy recorded runs:
// each case shows the file's bytes before and after, and the state and boxes
// the experimenter sees.
#include "task/ControllerHarness.h"

#include <QFileInfo>
#include <gtest/gtest.h>

namespace quelvar::test {
namespace {

constexpr int kRunPasses = 240 + 3600;

struct Harness : ControllerHarness {
    QByteArray bytes(const QString& name) { return readAll(folder.path(name)); }
    void recordRun()
    {
        controller.StartBtnClick();
        ASSERT_TRUE(e().Recording);
        passUntil([&] { return e().State == Blank; }, 4 * kRunPasses);
    }
};

TEST(RunFileSafety, StartingAgainAsksBeforeReplacingTheRunJustRecorded)
{
    for (const bool fromAbort : {false, true}) {
        SCOPED_TRACE(fromAbort ? "Abort answered No after a series" : "Start Recording from Idle");
        Harness h;
        h.start();
        h.controller.NRunsUpDownClick(fromAbort ? 2 : 1);
        h.collect("run.txt");
        h.recordRun();
        ASSERT_EQ(h.view.status, "Idle");
        const QByteArray recorded = h.bytes(fromAbort ? "run_b.txt" : "run.txt");
        h.dialogs.boxes.clear();
        h.dialogs.confirmAnswers = fromAbort ? std::deque<bool>{false, false} : std::deque<bool>{false};
        fromAbort ? h.controller.AbortBtnClick() : h.controller.StartBtnClick();
        QStringList expected{"Confirm: File exists.  Overwrite?"};
        if (fromAbort)
            expected.prepend("Confirm: Cancel remaining multiple runs?");
        EXPECT_EQ(h.dialogs.texts(), expected);
        EXPECT_FALSE(h.e().Recording);
        EXPECT_EQ(h.view.status, fromAbort ? "Pre-run Practice" : "Idle");
        EXPECT_EQ(h.view.statusColor, clYellow);
        h.passes(kRunPasses + 10);
        EXPECT_EQ(h.bytes(fromAbort ? "run_b.txt" : "run.txt"), recorded);

        h.dialogs.confirmAnswers = {true};  // Yes: the run starts as before
        h.controller.StartBtnClick();
        EXPECT_TRUE(h.e().Recording);
        EXPECT_EQ(h.e().FrameCounter, -240);
    }
}

TEST(RunFileSafety, ASeriesAsksOnceForAllItsExistingFilesThenNeverStops)
{
    Harness h;
    h.start();
    writeAll(h.folder.path("subj_b.txt"), "old b");
    writeAll(h.folder.path("subj_c.txt"), "old c");
    h.controller.NRunsUpDownClick(3);
    h.collect("subj.txt");
    h.dialogs.confirmAnswers = {false};
    h.controller.StartBtnClick();
    EXPECT_EQ(h.dialogs.texts(), QStringList{"Confirm: subj_b.txt, subj_c.txt exist.  Overwrite?"});
    EXPECT_FALSE(h.e().Recording);
    h.passes(kRunPasses);
    EXPECT_EQ(h.bytes("subj_b.txt"), "old b");
    EXPECT_FALSE(QFileInfo::exists(h.folder.path("subj.txt")));

    h.dialogs.boxes.clear();
    h.recordRun();
    EXPECT_EQ(h.dialogs.texts(), QStringList{"Confirm: subj_b.txt, subj_c.txt exist.  Overwrite?"});
    EXPECT_TRUE(h.bytes("subj_c.txt").startsWith("TrackData"));
    EXPECT_EQ(h.e().RunNumber, 3);

    // A new Collect Data numbers its series afresh: all three runs again.
    h.collect("next.txt");
    EXPECT_EQ(h.e().RunNumber, 1);
    EXPECT_EQ(h.view.runNumber, "  1");
    h.recordRun();
    for (const char* name : {"next.txt", "next_b.txt", "next_c.txt"})
        EXPECT_TRUE(QFileInfo::exists(h.folder.path(name))) << name;
}

TEST(RunFileSafety, AFileOpenedForAnalysisIsNeverARecordingTarget)
{
    Harness h;
    h.start();
    h.collect("run.txt");
    h.recordRun();
    const QByteArray opened = h.bytes("run.txt");
    ASSERT_TRUE(h.session.LoadDataFile(h.folder.path("run.txt")));
    h.controller.AnalysisFormClosed();
    h.dialogs.boxes.clear();
    h.controller.CollectDataBtnClick();  // dialog cancelled
    EXPECT_EQ(h.dialogs.texts(),
              QStringList{"Error: No data filename specified; Data collection cancelled."});
    EXPECT_EQ(h.e().State, Blank);
    h.controller.StartBtnClick();
    EXPECT_FALSE(h.e().Recording);
    EXPECT_EQ(h.bytes("run.txt"), opened);
}

TEST(RunFileSafety, AbortInASeriesRecordsNothingWhileItsQuestionIsOpen)
{
    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(cancel ? "Yes" : "No");
        Harness h;
        h.start();
        h.controller.NRunsUpDownClick(2);
        h.collect("subj.txt");
        h.controller.StartBtnClick();
        h.passUntil([&] { return h.e().FrameCounter == kRunFrames - 100; });
        h.dialogs.confirmAnswers = {cancel};
        h.dialogs.whileConfirmOpen = [&] {
            h.passes(300);  // long enough for the aborted run to have ended
            EXPECT_EQ(h.view.statusColor, clYellow);
        };
        h.controller.AbortBtnClick();
        EXPECT_FALSE(QFileInfo::exists(h.folder.path("subj.txt")));
        EXPECT_EQ(h.e().RunNumber, 1);
        EXPECT_EQ(h.view.statusColor, clYellow);
        for (int i = 1; i <= kRunFrames; ++i)
            ASSERT_EQ(h.state->run.Target[i], 0.0) << i;
        if (cancel) {
            EXPECT_EQ(h.view.status, "Inactive");
            EXPECT_EQ(h.e().State, Blank);
        } else {
            EXPECT_EQ(h.e().FrameCounter, -240) << "the run starts again from its lead-in";
            EXPECT_TRUE(h.e().Recording);
        }
    }
}

TEST(RunFileSafety, TheParameterFileOfASeriesRunNamesThatRun)
{
    Harness h;
    h.start();
    h.state->files.LoadedDifficulty = 1;  // a file read earlier in the analysis window
    h.state->files.LoadedDisturbanceNumber = 9;
    h.controller.DiffUpDownClick(4);
    h.controller.DisturbUpDownClick(7);
    h.controller.NRunsUpDownClick(2);
    h.collect("subj.txt");
    h.recordRun();
    EXPECT_TRUE(h.bytes("subj.par").contains("\r\n       4       7\r\n"));
    EXPECT_EQ(h.state->files.LoadedDifficulty, 1);
}

}  // namespace
}  // namespace quelvar::test
