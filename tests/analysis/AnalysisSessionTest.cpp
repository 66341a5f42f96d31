// The analysis routines on the shared state: what each control changes, what
// it shows and what it leaves alone when a file is refused.
#include "analysis/AnalysisSession.h"
#include "datafiles/DataFile.h"
#include "datafiles/ParameterFile.h"
#include "support/AnalysisHarness.h"
#include "support/ModelRuns.h"
#include "support/SyntheticRuns.h"

#include <gtest/gtest.h>
#include <memory>

using namespace quelvar;
using quelvar::test::fileOk;

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

TEST_F(Fixture, AnalysisFrameReloadsTheSpinnersAndShowsBothErrors)
{
    state->run.Target.fill(100.0);
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
    EXPECT_EQ(test::positions(state->analysis.Spinners), (std::array{8, 250, 500, 0}));
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
    // Delay 2.5 to 2, half to even; gain 600 held at the maximum.
    EXPECT_EQ(test::positions(a.Spinners), (std::array{2, 500, 123, -15}));
    EXPECT_DOUBLE_EQ(a.Parameters.InDelay, 2.5);
    EXPECT_DOUBLE_EQ(a.Parameters.OutGain, 600.0);
    EXPECT_DOUBLE_EQ(a.Results.ModelRmsError, 1.25);
    EXPECT_EQ(state->files.LoadedDifficulty, 2);
    EXPECT_EQ(view.paramName, "fit.par");
    EXPECT_EQ(view.spinnerUpdates, 1);
    EXPECT_EQ(a.ParamFilePath, path);
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
    const ModelParameters written = {file.values.inputDelay, file.values.outputGain * 10,
                                     file.values.damping * 1000, file.values.reference * 10};
    EXPECT_NEAR(test::modelRms(state->run, written), file.values.modelRmsError, 0.0015);
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
