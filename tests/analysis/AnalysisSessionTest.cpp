// The analysis routines on the shared state: what each control changes, what
// it shows and what it leaves alone when a file is refused.
#include "analysis/AnalysisSession.h"
#include "datafiles/DataFile.h"
#include "datafiles/ParameterFile.h"
#include "support/AnalysisHarness.h"
#include "support/SyntheticRuns.h"

#include <QFileInfo>
#include <gtest/gtest.h>
#include <memory>

using namespace quelvar;
using quelvar::test::ScriptedDialogs;
using quelvar::test::fileOk;
using quelvar::test::TempFolder;

namespace {


struct Fixture : ::testing::Test, test::AnalysisHarness {
    static RunRecord rampRun(double offset) { return *test::sineRun({100.0, 90.0, 100.0, 20, 0.0, offset}); }
};

}  // namespace

TEST_F(Fixture, OpenDataFileLoadsTheRunAndShowsItsIdentity)
{
    const RunRecord run = rampRun(0.0);
    ASSERT_TRUE(fileOk(writeDataFile(folder.path("run1.txt"), 4, 6, run)));
    dialogs.openAnswers.push_back(folder.path("run1.txt"));

    session.ReadDataFile();

    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(state->experiment.RunAvailable);
    EXPECT_EQ(view.file, "run1.txt");
    EXPECT_EQ(view.difficulty, "  4");
    EXPECT_EQ(view.disturbance, "  6");
    EXPECT_EQ(state->files.LoadedDifficulty, 4);
    EXPECT_EQ(state->files.DataFileName, "run1.txt");
    EXPECT_EQ(state->files.DataFilePath, folder.path("run1.txt"));
    ASSERT_EQ(dialogs.openRequests.size(), 1u);
    EXPECT_EQ(dialogs.openRequests[0].filter, "Text files (*.txt)|*.txt");
    EXPECT_EQ(dialogs.openRequests[0].proposedName, "./Default.txt");
    EXPECT_EQ(session.openDialogFileName(), folder.path("run1.txt"));
    // The values come back rounded to two decimals, and the error from them.
    EXPECT_DOUBLE_EQ(state->run.Target[1], std::round(run.Target[1] * 100) / 100);
    EXPECT_DOUBLE_EQ(state->run.Error[7], state->run.Target[7] - state->run.Mouse[7]);
    EXPECT_DOUBLE_EQ(state->run.MagnifiedRunError[7], 5.0 * state->run.Error[7]);
}

TEST_F(Fixture, ARefusedDataFileKeepsTheRunInMemory)
{
    state->run = rampRun(50.0);
    state->experiment.RunAvailable = true;
    const RunRecord before = state->run;

    // Cut short: the last frame number is not 3600.
    QByteArray text = formatDataFile(2, 3, rampRun(0.0));
    text.truncate(text.indexOf("\r\n  3000"));
    text += "\r\n";
    test::writeAll(folder.path("short.txt"), text);
    EXPECT_FALSE(session.LoadDataFile(folder.path("short.txt")));
    EXPECT_EQ(dialogs.boxes.back().text, "Number of data points not equal to3600. Load aborted.");
    // Names, the file box and the identity change; the run does not.
    EXPECT_EQ(view.file, "short.txt");
    EXPECT_EQ(state->files.LoadedDifficulty, 2);
    EXPECT_EQ(state->files.LoadedDisturbanceNumber, 3);
    EXPECT_TRUE(state->experiment.RunAvailable);
    EXPECT_EQ(state->run.Mouse, before.Mouse);
    EXPECT_EQ(state->run.Target, before.Target);

    test::writeAll(folder.path("header.txt"), "TrackData \r\n 1 1\r\n");
    EXPECT_FALSE(session.LoadDataFile(folder.path("header.txt")));
    EXPECT_EQ(dialogs.boxes.back().kind, "Error");
    EXPECT_EQ(dialogs.boxes.back().text, "header.txt is not a valid data file.");
    EXPECT_EQ(view.file, "short.txt");

    test::writeAll(folder.path("nan.txt"), "TrackData\r\n 1 1\r\n 1 nan 0\r\n");
    EXPECT_FALSE(session.LoadDataFile(folder.path("nan.txt")));
    EXPECT_EQ(dialogs.boxes.back().text, "File I/O error.");

    EXPECT_FALSE(session.LoadDataFile(folder.path("nowhere.txt")));
    EXPECT_EQ(dialogs.boxes.back().text, "File not found.");
    EXPECT_EQ(state->files.DataFileName, "nowhere.txt");

    EXPECT_EQ(state->run.Mouse, before.Mouse);
    EXPECT_TRUE(state->experiment.RunAvailable);
}

TEST_F(Fixture, AnalysisFrameReloadsTheSpinnersAndShowsBothErrors)
{
    for (int i = 1; i <= kRunFrames; ++i)
        state->run.Target[i] = 100.0;
    state->analysis.Parameters.OutGain = 123.456;  // a fitted value the frame replaces

    session.AnalysisFrame();

    EXPECT_EQ(state->analysis.Parameters.OutGain, 20.0);
    EXPECT_EQ(state->analysis.Parameters.InDelay, 2.0);
    EXPECT_EQ(view.modelError, " 9.843");
    EXPECT_EQ(view.trackingError, "10.000");
}

TEST_F(Fixture, SpinnerClicksChangeOnlyTheirOwnField)
{
    session.ReadParameters();
    session.OutGainUpDownClick(21);
    session.RefUpDownClick(-101);  // beyond the range: held at the end
    EXPECT_EQ(state->analysis.Parameters.OutGain, 21.0);
    EXPECT_EQ(state->analysis.Spinners.OutGainUpDown.Position, 21);
    EXPECT_EQ(state->analysis.Parameters.Ref, -100.0);
    EXPECT_EQ(state->analysis.Parameters.InDelay, 2.0);
    EXPECT_EQ(state->analysis.Parameters.Damp, 20.0);
    EXPECT_EQ(view.modelErrorUpdates, 0);
}

TEST_F(Fixture, FitPassOnAnEmptyRunSetsTheMiddleOfEveryRange)
{
    session.FitPass();
    const ParameterSpinners& s = state->analysis.Spinners;
    EXPECT_EQ(s.InDelayUpDown.Position, 8);
    EXPECT_EQ(s.OutGainUpDown.Position, 250);
    EXPECT_EQ(s.DampUpDown.Position, 500);
    EXPECT_EQ(s.RefUpDown.Position, 0);
    EXPECT_EQ(view.spinnerUpdates, 4);
    EXPECT_EQ(view.modelErrorUpdates, 88);
}

TEST_F(Fixture, SaveWithTheDialogProposesTheParameterNameAndAsksBeforeOverwriting)
{
    state->files.DataFilePath = folder.path("subj.run.txt");
    state->files.LoadedDifficulty = 3;
    state->files.LoadedDisturbanceNumber = 1;
    state->analysis.Parameters = {2, 20, 20, 0};
    state->analysis.Results.ModelRmsError = 4.5678;
    state->analysis.Results.TrackingRmsError = 12.3456;
    const QString target = folder.path("subj.run.par");

    dialogs.saveAnswers.push_back(target);
    session.SaveParametersAs();
    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(dialogs.saveRequests[0].proposedName, target);
    EXPECT_EQ(dialogs.saveRequests[0].filter, "Parameter files (*.par)|*.par");
    EXPECT_EQ(dialogs.saveRequests[0].defaultSuffix, "par");
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(view.paramName, "subj.run.par");
    const QByteArray written = test::readAll(target);
    EXPECT_EQ(written, "TrackParameters\r\n" + target.toLatin1() +
                           "\r\n       3       1\r\n    2.0000    2.0000  0.020000    0.0000\r\n"
                           "     4.568    12.346\r\n");

    // Answered No: nothing written, the name box says so.
    state->analysis.Parameters.OutGain = 40;
    dialogs.saveAnswers.push_back(target);
    dialogs.confirmAnswers.push_back(false);
    session.SaveParametersAs();
    EXPECT_EQ(dialogs.boxes.back().text, "subj.run.par already exists.  Overwrite?");
    EXPECT_EQ(view.paramName, "Save aborted");
    EXPECT_EQ(test::readAll(target), written);

    // Answered Yes: written, the box ends on the name again.
    dialogs.saveAnswers.push_back(target);
    dialogs.confirmAnswers.push_back(true);
    session.SaveParametersAs();
    EXPECT_EQ(view.paramName, "subj.run.par");
    EXPECT_NE(test::readAll(target), written);
}

TEST_F(Fixture, CancelledSaveWritesNothingAndChangesNothing)
{
    const QString earlier = folder.path("earlier.par");
    test::writeAll(earlier, "keep me");
    state->analysis.ParamFilePath = earlier;
    state->analysis.ParamFileName = "earlier.par";
    view.paramName = "typed text";

    session.SaveParametersAs();  // the dialog is cancelled

    EXPECT_EQ(test::readAll(earlier), "keep me");
    EXPECT_EQ(state->analysis.ParamFilePath, earlier);
    EXPECT_EQ(view.paramName, "typed text");
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(Fixture, RetrieveSetsSpinnersRoundedAndHeldWhileFieldsKeepTheFileValues)
{
    const QString path = folder.path("fit.par");
    test::writeAll(path, "TrackParameters\r\nC:\\elsewhere\\other.par\r\n       2       5\r\n"
                         "    2.5000   60.0000  0.123456   -1.5000\r\n     1.250     3.500\r\n");
    dialogs.openAnswers.push_back(path);

    session.RetrieveParameters();

    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(dialogs.openRequests.back().proposedName, "");
    const AnalysisState& a = state->analysis;
    EXPECT_EQ(a.Spinners.InDelayUpDown.Position, 2);  // 2.5: half to even
    EXPECT_EQ(a.Spinners.OutGainUpDown.Position, 500);  // 600 held at the maximum
    EXPECT_EQ(a.Spinners.DampUpDown.Position, 123);
    EXPECT_EQ(a.Spinners.RefUpDown.Position, -15);
    EXPECT_DOUBLE_EQ(a.Parameters.InDelay, 2.5);
    EXPECT_DOUBLE_EQ(a.Parameters.OutGain, 600.0);
    EXPECT_DOUBLE_EQ(a.Results.ModelRmsError, 1.25);
    EXPECT_EQ(state->files.LoadedDifficulty, 2);
    EXPECT_EQ(view.paramName, "fit.par");
    EXPECT_EQ(view.spinnerUpdates, 1);
    EXPECT_EQ(a.ParamFilePath, path);
}

TEST_F(Fixture, FailedRetrievalChangesOnlyTheNames)
{
    state->analysis.Parameters = {3, 30, 40, 5};
    state->analysis.Results.ModelRmsError = 7.0;
    state->files.LoadedDifficulty = 4;
    const AnalysisState before = state->analysis;

    test::writeAll(folder.path("broken.par"), "TrackParameters\r\nx\r\n 1 2\r\n 1.5 0x1p3 1 1\r\n");
    EXPECT_FALSE(session.RetrieveParametersFrom(folder.path("broken.par")));
    EXPECT_EQ(dialogs.boxes.back().text, "File I/O error.");
    EXPECT_EQ(state->files.LoadedDifficulty, 4);
    EXPECT_EQ(state->analysis.Parameters.OutGain, 30.0);
    EXPECT_EQ(state->analysis.Parameters.InDelay, 3.0);
    EXPECT_EQ(state->analysis.Results.ModelRmsError, 7.0);
    EXPECT_EQ(state->analysis.Spinners.OutGainUpDown.Position, before.Spinners.OutGainUpDown.Position);
    EXPECT_EQ(state->analysis.ParamFileName, "broken.par");

    test::writeAll(folder.path("lower.par"), "trackparameters\r\n");
    EXPECT_FALSE(session.RetrieveParametersFrom(folder.path("lower.par")));
    EXPECT_EQ(dialogs.boxes.back().text, "lower.par is not a valid parameter file.");

    EXPECT_FALSE(session.RetrieveParametersFrom(folder.path("absent.par")));
    EXPECT_EQ(dialogs.boxes.back().kind, "Information");
    EXPECT_EQ(dialogs.boxes.back().text, "File not found.");
    EXPECT_EQ(state->analysis.Parameters.Damp, 40.0);
}

TEST_F(Fixture, RetrievingHugeValuesKeepsEverythingDefined)
{
    test::writeAll(folder.path("huge.par"),
                   "TrackParameters\r\nx\r\n 1 1\r\n 1e300 -1e300 1e300 1e300\r\n 0 0\r\n");
    ASSERT_TRUE(session.RetrieveParametersFrom(folder.path("huge.par")));
    EXPECT_EQ(state->analysis.Spinners.InDelayUpDown.Position, 16);
    EXPECT_EQ(state->analysis.Spinners.OutGainUpDown.Position, 0);
    EXPECT_EQ(state->analysis.Spinners.RefUpDown.Position, 100);
    // A model run on the unrounded values stays within its output limits.
    session.RunModel();
    session.ComputeErrors();
    EXPECT_TRUE(std::isfinite(state->analysis.Results.ModelRmsError));
}

TEST_F(Fixture, AParameterFileEndingAfterItsPathReadsAsZeros)
{
    test::writeAll(folder.path("short.par"), "TrackParameters\r\nx\r\n");
    ASSERT_TRUE(session.RetrieveParametersFrom(folder.path("short.par")));
    const ParameterSpinners& s = state->analysis.Spinners;
    EXPECT_EQ(s.InDelayUpDown.Position, 0);
    EXPECT_EQ(s.OutGainUpDown.Position, 0);
    EXPECT_EQ(s.DampUpDown.Position, 0);
    EXPECT_EQ(s.RefUpDown.Position, 0);
}

TEST_F(Fixture, SeriesSaveDescribesTheFittedParameters)
{
    state->run = rampRun(0.0);
    state->files.DataFilePath = folder.path("subj_b.txt");
    session.ReadParameters();
    state->analysis.ParamFileName = "mine.par";
    view.paramName = "Overwriting";

    session.FitAndSaveAfterRun(4, 7);

    const auto file = readParameterFile(folder.path("subj_b.par"));
    ASSERT_EQ(file.outcome, ParameterFileReadResult::Loaded);
    // Running the model with the parameters on line 4 gives the errors on line 5.
    SharedState check;
    check.run = state->run;
    ScriptedDialogs quiet;
    AnalysisSession replay(check, quiet);
    check.analysis.Parameters = {file.values.inputDelay, file.values.outputGain * 10,
                                 file.values.damping * 1000, file.values.reference * 10};
    replay.RunModel();
    replay.ComputeErrors();
    EXPECT_NEAR(check.analysis.Results.ModelRmsError, file.values.modelRmsError, 0.0015);
    // The automatic save keeps the name of the file last saved with the dialog.
    EXPECT_EQ(view.paramName, "mine.par");
    EXPECT_EQ(state->analysis.ParamFileName, "mine.par");
    EXPECT_EQ(state->analysis.ParamFilePath, folder.path("subj_b.par"));
}

TEST_F(Fixture, AnalyzeDataFillsTheBoxesFromTheMainWindow)
{
    state->experiment.Difficulty = 5;
    state->experiment.DisturbanceNumber = 10;
    state->run.Error[3] = 2.0;
    view.difficulty = "old";

    session.PrepareForShow();  // no run yet
    EXPECT_EQ(view.file, "Default.txt");
    EXPECT_EQ(view.difficulty, "old");
    EXPECT_EQ(state->run.MagnifiedRunError[3], 10.0);

    state->experiment.RunAvailable = true;
    state->files.DataFileName = "subj.txt";
    session.PrepareForShow();
    EXPECT_EQ(view.file, "subj.txt");
    EXPECT_EQ(view.difficulty, "  5");
    EXPECT_EQ(view.disturbance, " 10");
}

TEST_F(Fixture, RescaleErrorTogglesTheFlagAndBothCaptions)
{
    session.Rescale1Click();
    EXPECT_TRUE(state->analysis.ErrorMagnified);
    EXPECT_EQ(view.captions, "Error X 5");
    session.Rescale1Click();
    EXPECT_FALSE(state->analysis.ErrorMagnified);
    EXPECT_EQ(view.captions, "Error");
}
