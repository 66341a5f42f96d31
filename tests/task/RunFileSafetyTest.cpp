// Ordinary sequences of button presses that used to destroy recorded runs:
// each case shows the file's bytes before and after, and the state and boxes
// the experimenter sees.
#include "task/ControllerHarness.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <map>

namespace quelvar::test {
namespace {

struct Harness : ControllerHarness {
    QByteArray bytes(const QString& name) { return readAll(folder.path(name)); }
    // Every file of the folder but the table, with its bytes.
    std::map<QString, QByteArray> files()
    {
        std::map<QString, QByteArray> out;
        for (const QString& name : folder.files())
            if (name != "Distable")
                out[name] = bytes(name);
        return out;
    }
    // A refused lead-in: one error box, practice goes on, and no file
    // changes for as long as the run and a pause would have taken.
    void expectRefused(const std::map<QString, QByteArray>& before, const QString& box)
    {
        EXPECT_EQ(dialogs.texts().mid(dialogs.texts().size() - 1), QStringList{"Error: " + box});
        EXPECT_TRUE(shows(Tracking, false, "Pre-run Practice", clYellow));
        passes(2 * kRunPasses + 300);
        EXPECT_EQ(files(), before);
    }
    // A whole run, or series, from Start; with Collect Data first when `name` is given.
    void recordRun(const char* name = nullptr)
    {
        if (name)
            collect(name);
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
        h.controller.NRunsUpDownClick(fromAbort ? 2 : 1);
        h.recordRun("run.txt");
        ASSERT_EQ(h.view.status, "Idle");
        const QByteArray recorded = h.bytes(fromAbort ? "run_b.txt" : "run.txt");
        h.dialogs.boxes.clear();
        h.dialogs.confirmAnswers = fromAbort ? std::deque<bool>{false, false} : std::deque<bool>{false};
        fromAbort ? h.controller.AbortBtnClick() : h.controller.StartBtnClick();
        QStringList expected{"Confirm: File exists.  Overwrite?"};
        if (fromAbort)
            expected.prepend("Confirm: Cancel remaining multiple runs?");
        EXPECT_EQ(h.dialogs.texts(), expected);
        EXPECT_TRUE(h.shows(fromAbort ? Tracking : Blank, false,
                            fromAbort ? "Pre-run Practice" : "Idle", clYellow));
        h.passes(kRunPasses + 10);
        EXPECT_EQ(h.bytes(fromAbort ? "run_b.txt" : "run.txt"), recorded);

        h.dialogs.confirmAnswers = {true};  // Yes: the run starts as before
        h.controller.StartBtnClick();
        EXPECT_EQ(std::tuple(h.e().Recording, h.e().FrameCounter), std::tuple(true, -240));
    }
}

TEST(RunFileSafety, ASeriesAsksOnceForAllItsExistingFilesThenNeverStops)
{
    Harness h;
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
    EXPECT_EQ(std::pair(h.e().RunNumber, h.view.runNumber), std::pair(1, QString("  1")));
    h.recordRun();
    for (const char* name : {"next.txt", "next_b.txt", "next_c.txt"})
        EXPECT_TRUE(QFileInfo::exists(h.folder.path(name))) << name;
}

TEST(RunFileSafety, AFileOpenedForAnalysisIsNeverARecordingTarget)
{
    Harness h;
    h.recordRun("run.txt");
    const QByteArray opened = h.bytes("run.txt");
    ASSERT_TRUE(h.session.LoadDataFile(h.folder.path("run.txt")));
    h.controller.AnalysisFormClosed();
    h.dialogs.boxes.clear();
    h.controller.CollectDataBtnClick();  // dialog cancelled
    EXPECT_EQ(h.dialogs.texts(), QStringList{kNoFile});
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
        h.controller.NRunsUpDownClick(2);
        h.startRun("subj.txt");
        h.passUntil([&] { return h.e().FrameCounter == kRunFrames - 100; });
        h.dialogs.confirmAnswers = {cancel};
        h.dialogs.whileConfirmOpen = [&] {
            h.passes(300);  // long enough for the aborted run to have ended
            EXPECT_EQ(h.view.statusColor, clYellow);
        };
        h.controller.AbortBtnClick();
        EXPECT_FALSE(QFileInfo::exists(h.folder.path("subj.txt")));
        EXPECT_EQ(h.e().RunNumber, 1);
        for (int i = 1; i <= kRunFrames; ++i)
            ASSERT_EQ(h.state->run.Target[i], 0.0) << i;
        EXPECT_TRUE(h.shows(cancel ? Blank : Tracking, !cancel,
                            cancel ? "Inactive" : "Start Tracking", clYellow));
        if (!cancel)
            EXPECT_EQ(h.e().FrameCounter, -240) << "the run starts again from its lead-in";
    }
}

TEST(RunFileSafety, TheParameterFileOfASeriesRunNamesThatRun)
{
    Harness h;
    h.state->files.LoadedDifficulty = 1;  // a file read earlier in the analysis window
    h.state->files.LoadedDisturbanceNumber = 9;
    h.controller.DiffUpDownClick(4);
    h.controller.DisturbUpDownClick(7);
    h.controller.NRunsUpDownClick(2);
    h.recordRun("subj.txt");
    EXPECT_TRUE(h.bytes("subj.par").contains("\r\n       4       7\r\n"));
    EXPECT_EQ(h.state->files.LoadedDifficulty, 1);
}

const QString kOtherName =
    "\nChoose another name for the data file: the files beside it take its name without the "
    "extension.";
const QByteArray kRecordOfQ1 = R"({"program": "Quelvar", "data_file": "q.v1"})";

TEST(RunFileSafety, AStartThatWouldDestroyAFileIsRefusedAndEveryFileKept)
{
    const struct {
        const char* name;
        int runs;
        const char* planted;
        QByteArray bytes;
        QString box;
    } cases[] = {
        {"x.par", 2, "x.par", "kept",
         "Cannot write %1/x.par: it would be both the data file and the parameter file "
         "of run 1.\nChoose a first name that ends in .txt."},
        {"y.json", 1, "y.json", kRecordOfQ1,
         "Cannot write %1/y.json: it would be both the data file and the run "
         "description of run 1.\nChoose a data file name that ends in .txt."},
        {"s_b.txt", 2, "s_b.txt", "kept",
         "Cannot write %1/s_b.txt: it would be the data files of runs 1 and 2.\n"
         "Choose a first name without \"_\"."},
        {"q.v2", 1, "q.json", kRecordOfQ1,
         "Cannot replace %1/q.json: it is the run description of q.v1." + kOtherName},
        {"r.txt", 1, "r.json", "{}",
         "Cannot replace %1/r.json: Quelvar did not write it." + kOtherName},
        {"r.txt", 1, "r.frames.csv", "frame,time_s,interval_ms,late,mouse,target\n",
         "Cannot replace %1/r.frames.csv: no run description of Quelvar beside it says whose it is."
             + kOtherName},
        {"r.txt", 2, "r.par", "TrackData\r\n",
         "Cannot replace %1/r.par: it is not a parameter file." + kOtherName},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.planted);
        Harness h;
        writeAll(h.folder.path(c.planted), c.bytes);
        h.controller.NRunsUpDownClick(c.runs);
        h.collect(c.name);  // Yes to "File exists.  Overwrite?"
        const auto before = h.files();
        h.controller.StartBtnClick();
        h.expectRefused(before, c.box.arg(h.folder.root()));
    }
}

TEST(RunFileSafety, TheEndOfAPauseChecksTheFilesAgain)
{
    Harness h;
    h.controller.NRunsUpDownClick(2);
    h.startRun("r.txt");
    ASSERT_TRUE(h.passUntil([&] { return h.e().State == InterRunCountdown; }, 2 * kRunPasses));
    writeAll(h.folder.path("r_b.json"), kRecordOfQ1);
    const auto before = h.files();
    ASSERT_TRUE(h.passUntil([&] { return !h.dialogs.boxes.empty(); }));
    h.expectRefused(before, "Cannot replace " + h.folder.path("r_b.json")
                                + ": it is the run description of q.v1." + kOtherName);
}

TEST(RunFileSafety, AnotherDataFileKeepsItsRecordAndTheReplacedOneLosesIt)
{
    Harness h;
    h.recordRun("q.v1");
    h.collect("q.v2");
    const auto before = h.files();
    h.controller.StartBtnClick();
    h.expectRefused(before, "Cannot replace " + h.folder.path("q.json")
                                + ": it is the run description of q.v1.\n"
                                  "Cannot replace "
                                + h.folder.path("q.frames.csv") + ": it is the timing file of q.v1."
                                + kOtherName);
    h.collect("q.v1");                // Yes to "File exists.  Overwrite?"
    h.controller.DiffUpDownClick(2);  // so that this run differs from the first
    h.recordRun();
    EXPECT_NE(h.bytes("q.frames.csv"), before.at("q.frames.csv"));
    const QByteArray sha =
        QCryptographicHash::hash(h.bytes("q.v1"), QCryptographicHash::Sha256).toHex();
    EXPECT_TRUE(h.bytes("q.json").contains("\"data_file_sha256\": \"" + sha + "\""));
}

}  // namespace
}  // namespace quelvar::test
