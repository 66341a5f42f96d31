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

#include <cmath>
#include <cstring>
#include <memory>
#include <unistd.h>

using namespace quelvar;
using quelvar::test::failEverySinkStep;
using quelvar::test::readAll;
using quelvar::test::ScriptedDialogs;
using quelvar::test::TempFolder;
using quelvar::test::writeAll;

namespace {


class ParameterSaveFaults : public ::testing::Test, protected test::AnalysisHarness {
protected:
    std::unique_ptr<SharedState> before = std::make_unique<SharedState>();

    ParameterSaveFaults()
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
    void TearDown() override { FileSink::clearFaults(); }

    void remember() { *before = *state; }

    // Everything a failed save must leave alone, names included.
    void expectStateAsBefore()
    {
        EXPECT_TRUE(state->experiment.RunAvailable);
        EXPECT_EQ(std::memcmp(&state->run, &before->run, sizeof(RunRecord)), 0);
        EXPECT_EQ(state->analysis.ParamFilePath, before->analysis.ParamFilePath);
        EXPECT_EQ(state->analysis.ParamFileName, before->analysis.ParamFileName);
        EXPECT_EQ(state->analysis.Parameters.InDelay, before->analysis.Parameters.InDelay);
        EXPECT_EQ(state->analysis.Parameters.OutGain, before->analysis.Parameters.OutGain);
        EXPECT_EQ(state->analysis.Spinners.DampUpDown.Position, before->analysis.Spinners.DampUpDown.Position);
        EXPECT_EQ(state->analysis.Results.ModelRmsError, before->analysis.Results.ModelRmsError);
        EXPECT_EQ(state->files.DataFilePath, before->files.DataFilePath);
    }

    QByteArray expectedFile(const QString& path) const
    {
        return formatParameterFile(path, parameterFileValues(*state));
    }
};

TEST_F(ParameterSaveFaults, WriteParameterFileFailingAnywhereKeepsTheEarlierFile)
{
    const QString path = folder.path("earlier.par");
    writeAll(path, "earlier contents\r\n");
    remember();

    const auto result = failEverySinkStep(
        [&] { session.WriteParameterFile(); },
        [&](const std::string& what) {
            SCOPED_TRACE(what);
            EXPECT_EQ(dialogs.texts(), QStringList{"Error: File I/O error."});
            EXPECT_EQ(readAll(path), "earlier contents\r\n");
            EXPECT_EQ(folder.files(), QStringList{"earlier.par"});
            EXPECT_EQ(view.paramName, "earlier.par");
            expectStateAsBefore();
        },
        [&] {
            dialogs.boxes.clear();
            writeAll(path, "earlier contents\r\n");
        });
    EXPECT_GE(result.failedAttempts, 3);

    // The session goes on: the next save goes through.
    dialogs.boxes.clear();
    session.WriteParameterFile();
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(readAll(path), expectedFile(path));
}

TEST_F(ParameterSaveFaults, SaveWithTheDialogAsksOnceThenReportsOnceAndLeavesOverwriting)
{
    const QString path = folder.path("chosen.par");
    writeAll(path, "kept");
    failEverySinkStep(
        [&] {
            dialogs.saveAnswers.push_back(path);
            session.SaveParametersAs();
        },
        [&](const std::string& what) {
            SCOPED_TRACE(what);
            EXPECT_EQ(dialogs.texts(), (QStringList{"Confirm: chosen.par already exists.  Overwrite?",
                                                    "Error: File I/O error."}));
            EXPECT_EQ(readAll(path), "kept");
            EXPECT_EQ(folder.files(), QStringList{"chosen.par"});
            // The chosen name is taken before the write; the box keeps "Overwriting".
            EXPECT_EQ(state->analysis.ParamFilePath, path);
            EXPECT_EQ(view.paramName, "Overwriting");
            EXPECT_TRUE(state->experiment.RunAvailable);
        },
        [&] {
            dialogs.boxes.clear();
            writeAll(path, "kept");
        });

    dialogs.boxes.clear();
    dialogs.saveAnswers.push_back(path);
    session.SaveParametersAs();
    EXPECT_EQ(dialogs.boxes.size(), 1u) << "only the question";
    EXPECT_EQ(view.paramName, "chosen.par");
    EXPECT_EQ(readAll(path), expectedFile(path));
}

TEST_F(ParameterSaveFaults, AutomaticSaveFailingLeavesTheNameBoxAndTheEarlierFile)
{
    const QString path = folder.path("subj_b.par");
    writeAll(path, "from an earlier series");
    remember();
    failEverySinkStep(
        [&] { session.SaveParametersAuto(state->files.LoadedDifficulty, state->files.LoadedDisturbanceNumber); },
        [&](const std::string& what) {
            SCOPED_TRACE(what);
            EXPECT_EQ(dialogs.texts(), QStringList{"Error: File I/O error."});
            EXPECT_EQ(readAll(path), "from an earlier series");
            EXPECT_EQ(folder.files(), QStringList{"subj_b.par"});
            EXPECT_EQ(state->analysis.ParamFilePath, path);
            EXPECT_EQ(state->analysis.ParamFileName, "earlier.par");
            EXPECT_EQ(view.paramName, "earlier.par");
            EXPECT_TRUE(state->experiment.RunAvailable);
        },
        [&] {
            dialogs.boxes.clear();
            writeAll(path, "from an earlier series");
        });

    dialogs.boxes.clear();
    session.SaveParametersAuto(state->files.LoadedDifficulty, state->files.LoadedDisturbanceNumber);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(readAll(path), expectedFile(path));
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
        EXPECT_EQ(dialogs.texts(), QStringList{"Error: File I/O error."});
        EXPECT_EQ(view.paramName, "earlier.par");
        EXPECT_EQ(folder.files(), filesBefore);
    }
    EXPECT_TRUE(QFileInfo(folder.path("taken.par")).isDir());
    EXPECT_EQ(readAll(folder.path("plain.txt")), "a file, not a folder");
    EXPECT_FALSE(QFile::exists(QStringLiteral("/proc/quelvar-test.par")));
}

}  // namespace
