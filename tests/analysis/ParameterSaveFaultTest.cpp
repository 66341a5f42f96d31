// Parameter saves that fail at every step they can fail at: the open, each
// write, the commit, and real file-system refusals. Each failure shows
// "File I/O error." once, leaves any earlier file as it was with nothing
// beside it, and leaves the session as it stood, so the next save works.
#include "analysis/AnalysisSession.h"
#include "datafiles/FileSink.h"
#include "datafiles/ParameterFile.h"
#include "support/FaultLoop.h"
#include "support/AnalysisHarness.h"
#include "support/SyntheticRuns.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <unistd.h>

using namespace quelvar;
using quelvar::test::failEverySinkStep;
using quelvar::test::readAll;
using quelvar::test::writeAll;

namespace {

const QString kIoError = QStringLiteral("Error: File I/O error.");

// A session with a run analysed and an earlier parameter file named.
struct Saving : test::AnalysisHarness {
    std::unique_ptr<SharedState> before = std::make_unique<SharedState>();

    Saving()
    {
        view.paramName = QStringLiteral("earlier.par");
        state->run = *test::sineRun({300.0, 280.0, 90.0, 15});
        state->experiment.RunAvailable = true;
        state->files.DataFilePath = folder.path("subj_b.txt");
        state->files.DataFileName = QStringLiteral("subj_b.txt");
        state->files.LoadedDifficulty = 4;
        state->files.LoadedDisturbanceNumber = 7;
        state->analysis.ParamFilePath = folder.path("earlier.par");
        state->analysis.ParamFileName = QStringLiteral("earlier.par");
        session.AnalysisFrame();
    }

    void write() { session.WriteParameterFile(); }
    void saveAs()
    {
        dialogs.saveAnswers.push_back(folder.path("chosen.par"));
        session.SaveParametersAs();
    }
    void saveAuto()
    {
        session.SaveParametersAuto(state->files.LoadedDifficulty,
                                   state->files.LoadedDisturbanceNumber);
    }

    // Everything a failed save must leave alone but the names it was given.
    void expectStateAsBefore()
    {
        EXPECT_TRUE(state->experiment.RunAvailable);
        EXPECT_EQ(std::memcmp(&state->run, &before->run, sizeof(RunRecord)), 0);
        EXPECT_EQ(state->analysis.Parameters.InDelay, before->analysis.Parameters.InDelay);
        EXPECT_EQ(state->analysis.Parameters.OutGain, before->analysis.Parameters.OutGain);
        EXPECT_EQ(state->analysis.Spinners.DampUpDown.Position, before->analysis.Spinners.DampUpDown.Position);
        EXPECT_EQ(state->analysis.Results.ModelRmsError, before->analysis.Results.ModelRmsError);
        EXPECT_EQ(state->files.DataFilePath, before->files.DataFilePath);
    }
};

class ParameterSaveFaults : public ::testing::Test, protected Saving {
protected:
    void TearDown() override { FileSink::clearFaults(); }
};

// The save writing the file named, the save with the dialog (asked to
// overwrite) and the automatic save after a series' run.
TEST_F(ParameterSaveFaults, ASaveFailingAnywhereKeepsTheEarlierFileAndTheNextSaveWorks)
{
    struct Case {
        const char* file;  // there before the save, and written by it
        QByteArray earlier;
        void (Saving::*save)();
        QStringList asked;           // the boxes before the error, and of a save that works
        const char* named;           // the file's name after the save, failed or not
        const char* shownOnFailure;  // the name box
    };
    const Case cases[] = {
        {"earlier.par", "earlier contents\r\n", &Saving::write, {}, "earlier.par", "earlier.par"},
        // The chosen name is taken before the write; the box keeps "Overwriting".
        {"chosen.par",
         "kept",
         &Saving::saveAs,
         {"Confirm: chosen.par already exists.  Overwrite?"},
         "chosen.par",
         "Overwriting"},
        {"subj_b.par",
         "from an earlier series",
         &Saving::saveAuto,
         {},
         "earlier.par",
         "earlier.par"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Saving s;
        const QString path = s.folder.path(c.file);
        writeAll(path, c.earlier);
        *s.before = *s.state;
        const auto result =
            failEverySinkStep([&] { (s.*c.save)(); },
                              [&](const std::string& what) {
                                  SCOPED_TRACE(what);
                                  EXPECT_EQ(s.dialogs.texts(), c.asked + QStringList{kIoError});
                                  EXPECT_EQ(readAll(path), c.earlier);
                                  EXPECT_EQ(s.folder.files(), QStringList{c.file});
                                  EXPECT_EQ(s.state->analysis.ParamFilePath, path);
                                  EXPECT_EQ(s.state->analysis.ParamFileName, c.named);
                                  EXPECT_EQ(s.view.paramName, c.shownOnFailure);
                                  s.expectStateAsBefore();
                              },
                              [&] {
                                  s.dialogs.boxes.clear();
                                  writeAll(path, c.earlier);
                              });
        EXPECT_GE(result.failedAttempts, 3);

        // The session goes on: the next save goes through.
        s.dialogs.boxes.clear();
        (s.*c.save)();
        EXPECT_EQ(s.dialogs.texts(), c.asked);
        EXPECT_EQ(s.view.paramName, c.named);
        EXPECT_EQ(readAll(path), formatParameterFile(path, parameterFileValues(*s.state)));
    }
}

// Real refusals of the file system. Tests run as root in CI, where a folder
// without write permission still takes new files, so the cases use what
// refuses every user: a path through a regular file, a folder in the file's
// place, and /proc.
TEST_F(ParameterSaveFaults, PathsTheFileSystemRefusesAreReportedOnce)
{
    writeAll(folder.path("plain.txt"), "a file, not a folder");
    QDir(folder.root()).mkdir("taken.par");
    QStringList paths = {folder.path("plain.txt/inside.par"), folder.path("taken.par"),
                         QStringLiteral("/proc/quelvar-test.par"), QString()};
    if (::geteuid() != 0) {
        QDir(folder.root()).mkdir("locked");
        QFile::setPermissions(folder.path("locked"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        paths << folder.path("locked/p.par");
    }
    const QStringList filesBefore = folder.files();
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        dialogs.boxes.clear();
        state->analysis.ParamFilePath = path;
        session.WriteParameterFile();
        EXPECT_EQ(dialogs.texts(), QStringList{kIoError});
        EXPECT_EQ(view.paramName, "earlier.par");
        EXPECT_EQ(folder.files(), filesBefore);
    }
    EXPECT_TRUE(QFileInfo(folder.path("taken.par")).isDir());
    EXPECT_EQ(readAll(folder.path("plain.txt")), "a file, not a folder");
    EXPECT_FALSE(QFile::exists(QStringLiteral("/proc/quelvar-test.par")));
}

}  // namespace
