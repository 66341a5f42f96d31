// The analysis routines on the shared state: what each control changes, what
// it shows and what it leaves alone when a file is refused; and the numbers
// they write and show under a locale with decimal commas.
#include "analysis/AnalysisSession.h"
#include "common/DisplayText.h"
#include "datafiles/DataFile.h"
#include "datafiles/NumberFormat.h"
#include "datafiles/ParameterFile.h"
#include "support/AnalysisHarness.h"
#include "support/ModelRuns.h"
#include "support/SyntheticRuns.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <memory>
#include <string>

using namespace quelvar;
using quelvar::test::fileOk;
using quelvar::test::readAll;

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
    EXPECT_EQ((QStringList{view.file, view.difficulty, view.disturbance}),
              (QStringList{"run1.txt", "  4", "  6"}));
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

    EXPECT_EQ(test::fieldsOf(state->analysis.Parameters), (std::array{2.0, 20.0, 20.0, 0.0}));
    EXPECT_EQ(view.modelError, " 9.843");
    EXPECT_EQ(view.trackingError, "10.000");
}

TEST_F(Fixture, SpinnerClicksChangeOnlyTheirOwnField)
{
    session.ReadParameters();
    session.OutGainUpDownClick(21);
    session.RefUpDownClick(-101);  // beyond the range: held at the end
    EXPECT_EQ(test::fieldsOf(state->analysis.Parameters), (std::array{2.0, 21.0, 20.0, -100.0}));
    EXPECT_EQ(state->analysis.Spinners.OutGainUpDown.Position, 21);
    EXPECT_EQ(view.modelErrorUpdates, 0);
}

TEST_F(Fixture, FitPassOnAnEmptyRunSetsTheMiddleOfEveryRange)
{
    session.FitPass();
    EXPECT_EQ(test::positions(state->analysis.Spinners), (std::array{8, 250, 500, 0}));
    EXPECT_EQ(view.spinnerUpdates, 4);
    EXPECT_EQ(view.modelErrorUpdates, 88);
}

TEST_F(Fixture, SaveWithTheDialogProposesTheParameterNameAsksBeforeOverwritingAndMayBeCancelled)
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
    const FileDialogRequest& asked = dialogs.saveRequests[0];
    EXPECT_EQ((QStringList{asked.proposedName, asked.filter, asked.defaultSuffix}),
              (QStringList{target, "Parameter files (*.par)|*.par", "par"}));
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(view.paramName, "subj.run.par");
    const QByteArray written = readAll(target);
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
    EXPECT_EQ(readAll(target), written);

    // Answered Yes: written, the box ends on the name again.
    dialogs.saveAnswers.push_back(target);
    dialogs.confirmAnswers.push_back(true);
    session.SaveParametersAs();
    EXPECT_EQ(view.paramName, "subj.run.par");
    const QByteArray saved = readAll(target);
    EXPECT_NE(saved, written);

    // Cancelled: nothing written and nothing changed, not even text typed in the box.
    dialogs.boxes.clear();
    view.paramName = "typed text";
    session.SaveParametersAs();
    EXPECT_EQ(readAll(target), saved);
    EXPECT_EQ(state->analysis.ParamFilePath, target);
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

// On a desktop whose locale writes "1,5", every number the program writes to
// a file or shows in a box still uses "." and reads back as written.
//
// CTest also runs the file, analysis and command-line suites whole under
// LC_ALL=de_DE.UTF-8 with QUELVAR_EXPECT_DECIMAL_COMMA set; this test then
// proves that the locale really took effect, so those runs test something.
namespace {

std::string printfOneAndAHalf()
{
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 1.5);
    return text;
}

class DecimalComma : public ::testing::Test, protected test::AnalysisHarness {
protected:
    void SetUp() override
    {
        previousC_ = std::setlocale(LC_ALL, nullptr);
        previousQt_ = QLocale();
        if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) {
            if (qEnvironmentVariableIsSet("QUELVAR_EXPECT_DECIMAL_COMMA"))
                FAIL() << "de_DE.UTF-8 is not installed (scripts/install-deps generates it)";
            GTEST_SKIP() << "de_DE.UTF-8 is not installed";
        }
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        ASSERT_EQ(printfOneAndAHalf(), "1,5") << "the C library writes a comma now";
        ASSERT_EQ(QLocale().toString(1.5), "1,5");
    }
    void TearDown() override
    {
        std::setlocale(LC_ALL, previousC_.c_str());
        QLocale::setDefault(previousQt_);
    }

private:
    std::string previousC_;
    QLocale previousQt_;
};

TEST(DecimalCommaEnvironment, TheSuiteRunsUnderTheLocaleItWasGiven)
{
    if (!qEnvironmentVariableIsSet("QUELVAR_EXPECT_DECIMAL_COMMA"))
        GTEST_SKIP() << "only for the run under LC_ALL=de_DE.UTF-8";
    EXPECT_EQ(printfOneAndAHalf(), "1,5");
    EXPECT_EQ(QLocale::system().decimalPoint(), ",");
}

TEST_F(DecimalComma, FileNumbersAndShownNumbersKeepThePoint)
{
    EXPECT_EQ(formatFixed(-56.78, 2, 10), "    -56.78");
    EXPECT_EQ(formatPrintfFixed(4.5678, 3, 6).view(), " 4.568");

    auto run = std::make_unique<RunRecord>();
    for (int i = 1; i <= kRunFrames; ++i) {
        run->Mouse[i] = 12.34 + i % 7;
        run->Target[i] = -56.78 - i % 5;
    }
    ASSERT_TRUE(fileOk(writeDataFile(folder.path("run.txt"), 3, 1, *run)));
    const QByteArray data = readAll(folder.path("run.txt"));
    EXPECT_FALSE(data.contains(','));
    EXPECT_TRUE(data.contains("\r\n     1     13.34    -57.78\r\n"));
    auto back = std::make_unique<RunRecord>();
    ASSERT_EQ(readDataFile(folder.path("run.txt"), *back).outcome, DataFileReadResult::Loaded);
    EXPECT_EQ(back->Mouse[1], 13.34);
    EXPECT_EQ(back->Target[3600], -56.78);
    EXPECT_EQ(formatDataFile(3, 1, *back), data);

    // The analysis routines: errors shown, the parameter file written, and
    // the spinners retrieved from it.
    ASSERT_TRUE(session.LoadDataFile(folder.path("run.txt")));
    session.AnalysisFrame();
    EXPECT_TRUE(view.modelError.contains('.') && !view.modelError.contains(','))
        << view.modelError.toStdString();
    EXPECT_TRUE(view.trackingError.contains('.') && !view.trackingError.contains(','));

    state->analysis.Spinners.DampUpDown.Position = 125;
    state->analysis.Spinners.RefUpDown.Position = -15;
    session.ReadParameters();
    session.SaveParametersAuto(0, 0);
    const QByteArray parameters = readAll(folder.path("run.par"));
    EXPECT_TRUE(parameters.contains("\r\n    2.0000    2.0000  0.125000   -1.5000\r\n"))
        << parameters.toStdString();
    EXPECT_EQ(parameters.count(','), 0);

    state->analysis.Spinners.DampUpDown.Position = 0;
    state->analysis.Spinners.RefUpDown.Position = 0;
    ASSERT_TRUE(session.RetrieveParametersFrom(folder.path("run.par")));
    EXPECT_EQ(state->analysis.Spinners.DampUpDown.Position, 125);
    EXPECT_EQ(state->analysis.Spinners.RefUpDown.Position, -15);
    EXPECT_TRUE(dialogs.boxes.empty());
}

}  // namespace
