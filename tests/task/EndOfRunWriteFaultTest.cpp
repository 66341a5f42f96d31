// The end of a recorded run when its files cannot be written: every way the
// data file write (and in a series the parameter file write after it) can
// fail is reported once per failed file, the earlier files stay as they were,
// and the controller goes on exactly as after a good write.
#include "task/ControllerHarness.h"

#include "datafiles/DataFile.h"
#include "support/FaultLoop.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace quelvar::test {
namespace {

// The one box for the files beside the data file: each one missing, with the
// injected fault as its reason.
QRegularExpression companionBox(const TempFolder& folder)
{
    QString box = QStringLiteral("Error: The run was saved in run\\.txt\\.");
    for (const auto& [file, what] : {std::pair{"run.frames.csv", "frames file"}, std::pair{"run.json", "description"}})
        if (!QFileInfo::exists(folder.path(file)))
            box += QStringLiteral(" Its %1 could not be written: Injected failure to \\w+\\.").arg(what);
    return QRegularExpression(QRegularExpression::anchoredPattern(box));
}

// The files the folder should hold: the earlier ones, and whichever of the
// run's timing file and description got written.
QStringList expectedFiles(const TempFolder& folder)
{
    QStringList names{"Distable", "run.par", "run.txt"};
    for (const char* companion : {"run.frames.csv", "run.json"})
        if (QFileInfo::exists(folder.path(companion)))
            names << companion;
    names.sort();
    return names;
}

bool companionsWritten(const TempFolder& folder)
{
    return QFileInfo::exists(folder.path("run.frames.csv")) && QFileInfo::exists(folder.path("run.json"));
}

const QByteArray kEarlierData = "earlier data\r\n";
const QByteArray kEarlierParameters = "TrackParameters\r\nearlier\r\n";

// A harness whose run has been recorded up to its last frame, so that each
// attempt replays only the end of the run.
struct RunAtItsLastFrame : ControllerHarness {
    explicit RunAtItsLastFrame(int runs)
    {
        controller.NRunsUpDownClick(runs);
        writeEarlierFiles();
        startRun("run.txt");  // the overwrite question is answered Yes
        trackUntil([&] { return e().Recording && e().FrameCounter == kRunFrames - 1; }, 13);
        dialogs.boxes.clear();
    }

    void restore()
    {
        dialogs.boxes.clear();
        QFile::remove(folder.path("run.frames.csv"));
        QFile::remove(folder.path("run.json"));
        writeEarlierFiles();
        e().State = Tracking;
        e().Recording = true;
        e().FrameCounter = kRunFrames - 1;
        e().RunNumber = 1;
        e().RunAvailable = false;
        view.status.clear();
    }

    void writeEarlierFiles()
    {
        writeAll(folder.path("run.txt"), kEarlierData);
        writeAll(folder.path("run.par"), kEarlierParameters);
    }
    void lastFrame() { controller.recording().RecordFrame(); }
};

// A single run, or the first of a series, whose files cannot be written at
// its end: one box for the data file or, once that is written, for the files
// beside it; in a series one more for the parameter file. A file either stays
// as it was or is written whole.
TEST(EndOfRunWriteFaults, AFileThatCannotBeWrittenIsReportedOnceAndKeptAndTheTaskGoesOn)
{
    for (const bool series : {false, true}) {
        SCOPED_TRACE(series ? "the first run of a series" : "a single run");
        RunAtItsLastFrame h(series ? 2 : 1);
        std::unique_ptr<RunRecord> firstRun;
        const auto result = failEverySinkStep(
            [&] { h.lastFrame(); },
            [&](const std::string& what) {
                SCOPED_TRACE(what);
                const bool dataKept = readAll(h.folder.path("run.txt")) == kEarlierData;
                const bool parametersKept =
                    series && readAll(h.folder.path("run.par")) == kEarlierParameters;
                ASSERT_TRUE(dataKept || !companionsWritten(h.folder) || parametersKept)
                    << "something failed";
                QStringList expected;
                if (dataKept)
                    expected << "Error: File I/O error.";
                else
                    EXPECT_EQ(readAll(h.folder.path("run.txt")),
                              formatDataFile(3, 1, h.state->run));
                if (dataKept && !series)
                    EXPECT_EQ(h.folder.files(), (QStringList{"Distable", "run.par", "run.txt"}));
                if (!dataKept && !companionsWritten(h.folder)) {
                    EXPECT_TRUE(companionBox(h.folder).match(h.dialogs.texts().value(0)).hasMatch())
                        << h.dialogs.texts().value(0).toStdString();
                    expected << h.dialogs.texts().value(0);
                }
                if (parametersKept)
                    expected << "Error: File I/O error.";
                else if (series)
                    EXPECT_TRUE(
                        readAll(h.folder.path("run.par")).startsWith("TrackParameters\r\n"));
                EXPECT_EQ(h.dialogs.texts(), expected);
                EXPECT_EQ(h.folder.files(), expectedFiles(h.folder));
                // The run stays in memory for the analysis window, and the
                // controller is where a good write would have left it: a
                // series goes on to its next run.
                EXPECT_TRUE(h.e().RunAvailable);
                EXPECT_EQ(h.e().State, series ? NextRun : Blank);
                if (!series) {
                    EXPECT_FALSE(h.e().Recording);
                    EXPECT_EQ(h.view.status, "Idle");
                    EXPECT_EQ(h.view.dataFile, "run.txt") << "the name chosen, unchanged";
                }
                if (!firstRun)
                    firstRun = std::make_unique<RunRecord>(h.state->run);
                EXPECT_EQ(std::memcmp(firstRun.get(), &h.state->run, sizeof(RunRecord)), 0);
            },
            [&] { h.restore(); });
        EXPECT_GT(result.writes, 2) << "the file goes out in pieces, each of which can fail";

        h.lastFrame();
        EXPECT_TRUE(h.dialogs.boxes.empty());
        EXPECT_EQ(readAll(h.folder.path("run.txt")), formatDataFile(3, 1, h.state->run));
        EXPECT_TRUE(companionsWritten(h.folder));
        // After all those failures the task still goes on to the next run.
        if (series) {
            h.passes(1);
            EXPECT_EQ(h.e().State, InterRunCountdown);
            EXPECT_TRUE(h.state->files.DataFilePath.endsWith("/run_b.txt"));
        } else {
            h.controller.StartBtnClick();
            EXPECT_TRUE(h.e().Recording);
        }
    }
}

}  // namespace
}  // namespace quelvar::test
