// The analysis routines on the shared state: what each control changes and
// shows, under a decimal-comma locale too, and the files they refuse.
#include "analysis/AnalysisSession.h"
#include "common/DisplayText.h"
#include "datafiles/DataFile.h"
#include "datafiles/FileSink.h"
#include "datafiles/NumberFormat.h"
#include "datafiles/ParameterFile.h"
#include "support/AnalysisHarness.h"
#include "support/FaultLoop.h"
#include "support/ModelRuns.h"
#include "support/SyntheticRuns.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <unistd.h>

using namespace quelvar;
using quelvar::test::failEverySinkStep;
using quelvar::test::positions;
using quelvar::test::readAll;
using quelvar::test::writeAll;

namespace {

struct Fixture : ::testing::Test, test::AnalysisHarness {};

TEST_F(Fixture, OpenDataFileLoadsTheRunAndShowsItsIdentity)
{
    const RunRecord run = *test::sineRun({100.0, 90.0, 100.0, 20});
    ASSERT_TRUE(test::fileOk(writeDataFile(folder.path("run1.txt"), 4, 6, run)));
    dialogs.openAnswers.push_back(folder.path("run1.txt"));

    session.ReadDataFile();

    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(state->experiment.RunAvailable);
    EXPECT_EQ(state->files.LoadedDifficulty, 4);
    ASSERT_EQ(dialogs.openRequests.size(), 1u);
    EXPECT_EQ((QStringList{view.file, view.difficulty, view.disturbance, state->files.DataFileName,
                           state->files.DataFilePath, session.openDialogFileName(),
                           dialogs.openRequests[0].filter, dialogs.openRequests[0].proposedName}),
              (QStringList{"run1.txt", "  4", "  6", "run1.txt", folder.path("run1.txt"),
                           folder.path("run1.txt"), "Text files (*.txt)|*.txt", "./Default.txt"}));
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
    EXPECT_EQ((std::array{view.spinnerUpdates, view.modelErrorUpdates}), (std::array{4, 88}));
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
    EXPECT_EQ((QStringList{asked.proposedName, asked.filter, asked.defaultSuffix, view.paramName}),
              (QStringList{target, "Parameter files (*.par)|*.par", "par", "subj.run.par"}));
    EXPECT_TRUE(dialogs.boxes.empty());
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
    EXPECT_EQ((QStringList{state->analysis.ParamFilePath, view.paramName}),
              (QStringList{target, "typed text"}));
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(Fixture, RetrieveSetsSpinnersRoundedAndHeldWhileFieldsKeepTheFileValues)
{
    const QString path = folder.path("fit.par");
    writeAll(path, "TrackParameters\r\nC:\\elsewhere\\other.par\r\n       2       5\r\n"
                   "    2.5000   60.0000  0.123456   -1.5000\r\n     1.250     3.500\r\n");
    dialogs.openAnswers.push_back(path);

    session.RetrieveParameters();

    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(dialogs.openRequests.back().proposedName, "");
    const AnalysisState& a = state->analysis;
    // Delay 2.5 to 2, half to even; gain 600 held at the maximum.
    EXPECT_EQ(test::positions(a.Spinners), (std::array{2, 500, 123, -15}));
    EXPECT_EQ((std::array{a.Parameters.InDelay, a.Parameters.OutGain, a.Results.ModelRmsError}),
              (std::array{2.5, 600.0, 1.25}));
    EXPECT_EQ(state->files.LoadedDifficulty, 2);
    EXPECT_EQ(view.spinnerUpdates, 1);
    EXPECT_EQ((QStringList{view.paramName, a.ParamFilePath}), (QStringList{"fit.par", path}));
}

TEST_F(Fixture, SeriesSaveDescribesTheFittedParameters)
{
    state->run = *test::sineRun({100.0, 90.0, 100.0, 20});
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
    EXPECT_EQ(
        (QStringList{view.paramName, state->analysis.ParamFileName, state->analysis.ParamFilePath}),
        (QStringList{"mine.par", "mine.par", folder.path("subj_b.par")}));
}

TEST_F(Fixture, AnalyzeDataFillsTheBoxesFromTheMainWindow)
{
    state->experiment.Difficulty = 5;
    state->experiment.DisturbanceNumber = 10;
    state->run.Error[3] = 2.0;
    view.difficulty = "old";

    session.PrepareForShow();  // no run yet
    EXPECT_EQ((QStringList{view.file, view.difficulty}), (QStringList{"Default.txt", "old"}));
    EXPECT_EQ(state->run.MagnifiedRunError[3], 10.0);

    state->experiment.RunAvailable = true;
    state->files.DataFileName = "subj.txt";
    session.PrepareForShow();
    EXPECT_EQ((QStringList{view.file, view.difficulty, view.disturbance}),
              (QStringList{"subj.txt", "  5", " 10"}));
}

TEST_F(Fixture, RescaleErrorTogglesTheFlagAndBothCaptions)
{
    for (const auto& [magnified, caption] : {std::pair{true, "Error X 5"}, {false, "Error"}}) {
        session.Rescale1Click();
        EXPECT_EQ(state->analysis.ErrorMagnified, magnified);
        EXPECT_EQ(view.captions, caption);
    }
}

// On a desktop whose locale writes "1,5", every number the program writes to
// a file or shows in a box still uses "." and reads back as written.
//
// CTest also runs the file, analysis and command-line suites whole under
// LC_ALL=de_DE.UTF-8 with QUELVAR_EXPECT_DECIMAL_COMMA set; this test then
// proves that the locale really took effect, so those runs test something.
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

    test::ModelBench bench;
    bench.follow([](int i) { return 12.34 + i % 7; }, [](int i) { return -56.78 - i % 5; });
    ASSERT_TRUE(test::fileOk(writeDataFile(folder.path("run.txt"), 3, 1, *bench.run)));
    const QByteArray data = readAll(folder.path("run.txt"));
    EXPECT_FALSE(data.contains(','));
    EXPECT_TRUE(data.contains("\r\n     1     13.34    -57.78\r\n"));
    auto back = std::make_unique<RunRecord>();
    ASSERT_EQ(readDataFile(folder.path("run.txt"), *back).outcome, DataFileReadResult::Loaded);
    EXPECT_EQ((std::array{back->Mouse[1], back->Target[3600]}), (std::array{13.34, -56.78}));
    EXPECT_EQ(formatDataFile(3, 1, *back), data);

    // The analysis routines: errors shown, the parameter file written, and
    // the spinners retrieved from it.
    ASSERT_TRUE(session.LoadDataFile(folder.path("run.txt")));
    session.AnalysisFrame();
    for (const QString& shown : {view.modelError, view.trackingError})
        EXPECT_TRUE(shown.contains('.') && !shown.contains(',')) << shown.toStdString();

    state->analysis.Spinners.DampUpDown.Position = 125;
    state->analysis.Spinners.RefUpDown.Position = -15;
    session.ReadParameters();
    session.SaveParametersAuto(0, 0);
    const QByteArray parameters = readAll(folder.path("run.par"));
    EXPECT_TRUE(parameters.contains("\r\n    2.0000    2.0000  0.125000   -1.5000\r\n"))
        << parameters.toStdString();
    EXPECT_EQ(parameters.count(','), 0);

    state->analysis.Spinners.DampUpDown.Position = state->analysis.Spinners.RefUpDown.Position = 0;
    ASSERT_TRUE(session.RetrieveParametersFrom(folder.path("run.par")));
    EXPECT_EQ(positions(state->analysis.Spinners), (std::array{2, 20, 125, -15}));
    EXPECT_TRUE(dialogs.boxes.empty());
}

// Files the analysis session cannot use. Damaged, foreign, missing and hostile
// files given to "Open Data File" and "Retrieve Parameters": each gets its
// message, and a refused file changes only what a refusal may change (the
// names, and for a data file whose second line was read, the difficulty and
// disturbance number). And parameter saves that fail.
const QString kIoError = QStringLiteral("Error: File I/O error.");
const QString kWrongCount =
    QStringLiteral("Error: Number of data points not equal to3600. Load aborted.");
const QString kNotData = QStringLiteral("Error: bad.txt is not a valid data file.");
const QString kNotPar = QStringLiteral("Error: bad.par is not a valid parameter file.");

// Identity line and data lines, with the frame numbers and values given.
QByteArray dataFile(const QByteArray& lastLine, const QByteArray& eol = "\r\n")
{
    return "TrackData" + eol + "       2       5" + eol + "     1     12.50    -40.25" + eol
           + lastLine;
}

// What a refused parameter file or a failed save leaves as it was: the
// fitted values, the spinners and the run's difficulty.
auto fitted(const SharedState& s)
{
    return std::tuple(test::fieldsOf(s.analysis.Parameters), s.analysis.Results.ModelRmsError,
                      positions(s.analysis.Spinners), s.files.LoadedDifficulty);
}

class BadInput : public ::testing::Test, protected test::AnalysisHarness {
protected:
    BadInput()
    {
        // A run already in memory, recognisable in every slot.
        state->run.Mouse.fill(-1.0);
        state->run.Target.fill(-2.0);
        state->run.Error.fill(-1.0);
        state->run.MagnifiedRunError.fill(-5.0);
        state->experiment.RunAvailable = true;
        state->files.LoadedDifficulty = state->files.LoadedDisturbanceNumber = 9;
        view.file = "earlier.txt";
        view.difficulty = view.disturbance = "  9";
        kept = std::make_unique<RunRecord>(state->run);
    }

    std::unique_ptr<RunRecord> kept;
    bool runUntouched() const { return std::memcmp(&state->run, kept.get(), sizeof *kept) == 0; }

    // A null `bytes` leaves no file of that name.
    void put(const QString& name, const QByteArray& bytes)
    {
        dialogs.boxes.clear();
        if (bytes.isNull())
            QFile::remove(folder.path(name));
        else
            writeAll(folder.path(name), bytes);
    }

    QStringList load(const QString& name, const QByteArray& bytes)
    {
        put(name, bytes);
        session.LoadDataFile(folder.path(name));
        return dialogs.texts();
    }
};

TEST_F(BadInput, DataFilesThatLoad)
{
    struct Case {
        const char* name;
        QByteArray bytes;
        double lastMouse, lastTarget;
    };
    const Case cases[] = {
        // The end of the file ends the last number, or stands in for it.
        {"no final line end", dataFile("  3600      1.00      2.5"), 1.0, 2.5},
        {"cut after the mouse", dataFile("  3600      1.00"), 1.0, 0.0},
        {"line feeds", dataFile("  3600      1.00      2.00\n", "\n"), 1.0, 2.0},
        {"lone carriage returns", dataFile("  3600      1.00      2.00\r", "\r"), 1.0, 2.0},
        {"mixed line ends", "TrackData\n       2       5\r     1 12.50 -40.25\r\n  3600 1 2\n", 1.0,
         2.0},
        {"Ctrl-Z ends the file", dataFile("  3600      1.00      2.00\r\n\x1a  3601 junk\r\n"), 1.0,
         2.0},
        {"plus signs", dataFile("+3600 +1 +2e0\r\n"), 1.0, 2.0},
        {"a NUL separates numbers",
         dataFile(QByteArray("  3600") + '\0' + " 1.00" + '\0' + " 2.00\r\n"), 1.0, 2.0},
        {"finite but huge", dataFile("  3600 1e300 -1.5e300\r\n"), 1e300, -1.5e300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(load("ok.txt", c.bytes), QStringList());
        const RunRecord& r = state->run;
        EXPECT_EQ((std::array{r.Mouse[1], r.Target[1], r.Mouse[2], r.Target[2]}),
                  (std::array{12.5, -40.25, c.lastMouse, c.lastTarget}));
        EXPECT_EQ((std::array{r.Mouse[3], r.Error[3]}), (std::array{-1.0, -1.0}))
            << "frames not reached keep their values";
        EXPECT_EQ((QStringList{view.file, view.difficulty, view.disturbance}),
                  (QStringList{"ok.txt", "  2", "  5"}));
    }
}

TEST_F(BadInput, DataFilesThatAreRefusedLeaveTheRunInMemory)
{
    QByteArray tooLong = "TrackData\r\n 2 5\r\n";
    for (int i = 1; i <= 3601; ++i)
        tooLong += QByteArray::number(i) + " 1.5 2.5\r\n";
    tooLong += "3600 1 2\r\n";
    // A whole data file, cut short: the last frame number is not 3600.
    QByteArray cutShort = formatDataFile(2, 5, *test::sineRun());
    cutShort.truncate(cutShort.indexOf("\r\n  3000"));
    cutShort += "\r\n";

    struct Case {
        const char* name;
        QByteArray bytes;  // null: no such file
        QString message;
        bool identityRead;  // line 2 was read before the refusal
    };
    const Case cases[] = {
        {"cut in the frame number", dataFile("  36"), kWrongCount, true},
        {"cut short at frame 2999", cutShort, kWrongCount, true},
        {"an empty line at the end", dataFile("  3600      1.00      2.00\r\n\r\n"), kWrongCount,
         true},
        {"Ctrl-Z before the last line", dataFile("\x1a  3600      1.00      2.00\r\n"), kWrongCount,
         true},
        {"more than 3600 data lines", tooLong, kWrongCount, true},
        {"NUL inside a frame number", dataFile(QByteArray("  36") + '\0' + "0 1.00 2.00\r\n"),
         kWrongCount, true},
        {"header with a trailing blank", "TrackData \r\n 2 5\r\n3600 1 2\r\n", kNotData, false},
        {"header alone, with a trailing blank", "TrackData \r\n 1 1\r\n", kNotData, false},
        {"header with a trailing tab", "TrackData\t\r\n 2 5\r\n3600 1 2\r\n", kNotData, false},
        {"lower-case header", "trackdata\r\n 2 5\r\n3600 1 2\r\n", kNotData, false},
        {"byte order mark", "\xEF\xBB\xBFTrackData\r\n 2 5\r\n3600 1 2\r\n", kNotData, false},
        {"NUL in the header", QByteArray("TrackData") + '\0' + "\r\n 2 5\r\n3600 1 2\r\n", kNotData,
         false},
        {"empty file", "", kNotData, false},
        {"no such file", QByteArray(), "Error: File not found.", false},
        {"nan", dataFile("  3600 nan 2\r\n"), kIoError, true},
        {"nan in the first data line", "TrackData\r\n 2 5\r\n 1 nan 0\r\n", kIoError, true},
        {"inf", dataFile("  3600 1 -inf\r\n"), kIoError, true},
        {"beyond the double range", dataFile("  3600 1e309 2\r\n"), kIoError, true},
        {"decimal comma", dataFile("  3600 1,5 2\r\n"), kIoError, true},
        {"hexadecimal", dataFile("  3600 0x1p3 2\r\n"), kIoError, true},
        {"letters after the number", dataFile("  3600 1.5abc 2\r\n"), kIoError, true},
        {"frame number with a point", dataFile("  3600.0 1 2\r\n"), kIoError, true},
        {"frame number beyond 32 bits", dataFile("  4294970896 1 2\r\n"), kIoError, true},
        {"difficulty not a number", "TrackData\r\n x 5\r\n3600 1 2\r\n", kIoError, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state->files.LoadedDifficulty = state->files.LoadedDisturbanceNumber = 9;
        view.file = "earlier.txt";
        EXPECT_EQ(load("bad.txt", c.bytes), QStringList{c.message});
        EXPECT_TRUE(runUntouched());
        EXPECT_TRUE(state->experiment.RunAvailable);
        EXPECT_EQ(state->files.DataFileName, "bad.txt");
        EXPECT_EQ(state->files.LoadedDifficulty, c.identityRead ? 2 : 9);
        EXPECT_EQ(state->files.LoadedDisturbanceNumber, c.identityRead ? 5 : 9);
        // The name shows once the first line was accepted; the boxes for
        // difficulty and disturbance only after a complete load.
        const bool headerRead = c.message == kIoError || c.message == kWrongCount;
        EXPECT_EQ(view.file, headerRead ? "bad.txt" : "earlier.txt");
        EXPECT_EQ(view.difficulty, "  9");
    }
}

// Far larger than any data file: refused at its size, without reading it.
TEST_F(BadInput, AHugeSparseFileIsRefusedQuickly)
{
    for (const QString& name : {QStringLiteral("huge.txt"), QStringLiteral("huge.par")}) {
        SCOPED_TRACE(name.toStdString());
        put(name, name.endsWith(".txt") ? "TrackData\r\n 1 1\r\n" : "TrackParameters\r\n");
        ASSERT_TRUE(QFile::resize(folder.path(name), qint64(1) << 30));

        QElapsedTimer timer;
        timer.start();
        if (name.endsWith(".txt"))
            session.LoadDataFile(folder.path(name));
        else
            session.RetrieveParametersFrom(folder.path(name));
        EXPECT_LT(timer.elapsed(), 2000);
        EXPECT_EQ(dialogs.texts(), QStringList{kIoError});
        EXPECT_TRUE(runUntouched());
        EXPECT_EQ(state->files.LoadedDifficulty, 9);
    }
}

// A position of 1e300 is a finite number and loads, but the squares in the
// error sums overflow. The errors then show as "inf", the fit stays within
// its ranges, and the parameter file written with those errors is refused
// when read back instead of giving other numbers.
TEST_F(BadInput, APositionWhoseSquareOverflowsKeepsEverythingDefined)
{
    ASSERT_TRUE(load("huge.txt", dataFile("  3600 1e300 -1e300\r\n")).isEmpty());
    session.AnalysisFrame();
    EXPECT_TRUE(std::isinf(state->analysis.Results.ModelRmsError));
    EXPECT_EQ(view.modelError, "   inf");
    EXPECT_EQ(view.trackingError, "   inf");

    session.AutoFitBtnClick();
    const ParameterSpinners& s = state->analysis.Spinners;
    for (const Spinner* spinner :
         {&s.InDelayUpDown, &s.OutGainUpDown, &s.DampUpDown, &s.RefUpDown}) {
        EXPECT_GE(spinner->Position, spinner->Min);
        EXPECT_LE(spinner->Position, spinner->Max);
    }
    for (double value : test::fieldsOf(state->analysis.Parameters))
        EXPECT_TRUE(std::isfinite(value));

    state->analysis.ParamFilePath = folder.path("huge.par");
    session.WriteParameterFile();
    EXPECT_TRUE(dialogs.boxes.empty());
    const QByteArray written = readAll(folder.path("huge.par"));
    EXPECT_TRUE(written.endsWith("       inf       inf\r\n")) << written.toStdString();

    const std::array<int, 4> spinnersBefore = positions(s);
    session.RetrieveParametersFrom(folder.path("huge.par"));
    EXPECT_EQ(dialogs.texts(), QStringList{kIoError});
    EXPECT_EQ(positions(s), spinnersBefore);
    EXPECT_EQ(view.paramName, "huge.par") << "its first line was valid";
}

TEST_F(BadInput, ParameterFilesThatAreRefusedLeaveTheSpinners)
{
    const QByteArray good = "TrackParameters\r\n/x/a.par\r\n       3       1\r\n"
                            "    2.0000    2.0000  0.020000    0.0000\r\n     4.568    12.346\r\n";
    const auto with = [&](const char* part, const char* replacement) {
        return QByteArray(good).replace(part, replacement);
    };
    struct Case {
        const char* name;
        QByteArray bytes;  // null: no such file
        QString message;
    };
    const Case cases[] = {
        {"trailing blank", with("TrackParameters", "TrackParameters "), kNotPar},
        {"trailing tab", with("TrackParameters", "TrackParameters\t"), kNotPar},
        {"lower case", with("TrackParameters", "trackparameters"), kNotPar},
        {"lower case, header alone", "trackparameters\r\n", kNotPar},
        {"byte order mark", "\xEF\xBB\xBF" + good, kNotPar},
        {"no such file", QByteArray(), "Information: File not found."},
        {"nan", with("0.020000", "nan"), kIoError}, {"inf", with("12.346", "inf"), kIoError},
        {"1e309", with("0.020000", "1e309"), kIoError},
        {"decimal comma", with("0.020000", "0,02"), kIoError},
        {"hexadecimal", with("0.020000", "0x1p3"), kIoError},
        {"hexadecimal gain", "TrackParameters\r\nx\r\n 1 2\r\n 1.5 0x1p3 1 1\r\n", kIoError},
        {"letters after the number", with("0.020000", "1.5abc"), kIoError},
        {"numbers touching", with("  0.020000", "-12345.0200"), kIoError},
        {"difficulty with a point", with("       3", "     3.0"), kIoError},
    };
    state->analysis.Parameters = {3, 30, 333, 5};
    state->analysis.Results.ModelRmsError = 7.0;
    state->analysis.Spinners.DampUpDown.Position = 333;
    const auto before = fitted(*state);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        put("bad.par", c.bytes);
        EXPECT_FALSE(session.RetrieveParametersFrom(folder.path("bad.par")));
        EXPECT_EQ(dialogs.texts(), QStringList{c.message});
        EXPECT_EQ(fitted(*state), before);
        EXPECT_EQ(state->analysis.ParamFileName, "bad.par");
    }
}

TEST_F(BadInput, ParameterFilesThatAreRetrieved)
{
    struct Case {
        const char* name;
        int delay, gain, damping, reference;  // the spinners
        QByteArray bytes;
    };
    const QByteArray head = "TrackParameters\r\np\r\n 3 1\r\n";
    const Case cases[] = {
        {"no final line end", 2, 20, 20, 0, head + " 2 2 0.02 0\r\n 4.5 12.3"},
        {"cut in the middle of line 4", 2, 20, 0, 0, head + " 2 2 0.0"},
        {"ending after its path", 0, 0, 0, 0, "TrackParameters\r\nx\r\n"},
        {"lone carriage returns", 2, 20, 500, 0,
         "TrackParameters\rp\r 3 1\r 2 2 0.5 0\r 4.5 12.3\r"},
        {"Ctrl-Z after the damping", 2, 20, 250, 0, head + " 2 2 0.25\x1a 7\r\n 4.5 12.3\r\n"},
        {"plus signs", 2, 20, 750, 0,
         "TrackParameters\r\np\r\n +3 +1\r\n +2 +2 +0.75 +0\r\n +4.5 +12.3\r\n"},
        {"huge damping, held at the spinner's end", 2, 20, 1000, 0,
         head + " 2 2 1e300 0\r\n 1 1\r\n"},
        {"huge values, each held at its end", 16, 0, 1000, 100,
         head + " 1e300 -1e300 1e300 1e300\r\n 0 0\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        put("ok.par", c.bytes);
        EXPECT_TRUE(session.RetrieveParametersFrom(folder.path("ok.par")));
        EXPECT_TRUE(dialogs.boxes.empty());
        EXPECT_EQ(positions(state->analysis.Spinners),
                  (std::array{c.delay, c.gain, c.damping, c.reference}));
        EXPECT_EQ(view.paramName, "ok.par");
        // A model run on the unrounded values stays within its output limits.
        session.RunModel();
        session.ComputeErrors();
        EXPECT_TRUE(std::isfinite(state->analysis.Results.ModelRmsError));
    }
}

// File names may hold any byte but "/" and NUL. Line 2 records the file's own
// path; a line end or Ctrl-Z in it must not cut the lines after it short, or
// the file would read back as zeros or as the name's digits.
TEST_F(BadInput, ParameterFilesNamedWithLineEndsOrCtrlZReadBackAsWritten)
{
    Spinner& damp = state->analysis.Spinners.DampUpDown;
    for (const char* name : {"a\x1a"
                             "b.par",
                             "a\rb.par", "a\n9 9\n1 2 0.5 3\n7 7\n.par"}) {
        SCOPED_TRACE(QByteArray(name).toPercentEncoding().toStdString());
        const QString path = folder.path(QString::fromLatin1(name));
        dialogs.boxes.clear();
        damp.Position = 125;
        session.ReadParameters();
        state->analysis.ParamFilePath = path;
        session.WriteParameterFile();
        ASSERT_TRUE(dialogs.boxes.empty()) << dialogs.texts().join("; ").toStdString();

        damp.Position = 0;
        state->files.LoadedDifficulty = 0;
        EXPECT_TRUE(session.RetrieveParametersFrom(path));
        EXPECT_TRUE(dialogs.boxes.empty());
        EXPECT_EQ(damp.Position, 125);
        EXPECT_EQ(state->files.LoadedDifficulty, 9);
    }
}

// Parameter saves that fail at every step they can fail at: the open, each
// write, the commit, and real file-system refusals. Each failure shows
// "File I/O error." once, leaves any earlier file as it was with nothing
// beside it, and leaves the session as it stood, so the next save works.
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
    ~Saving() { FileSink::clearFaults(); }

    void write() { session.WriteParameterFile(); }
    void saveAs()
    {
        dialogs.saveAnswers.push_back(folder.path("chosen.par"));
        session.SaveParametersAs();
    }
    void saveAuto() { session.SaveParametersAuto(4, 7); }  // the run's difficulty and disturbance

    // Everything a failed save must leave alone but the names it was given.
    void expectStateAsBefore()
    {
        EXPECT_TRUE(state->experiment.RunAvailable);
        EXPECT_EQ(std::memcmp(&state->run, &before->run, sizeof(RunRecord)), 0);
        EXPECT_EQ(fitted(*state), fitted(*before));
        EXPECT_EQ(state->files.DataFilePath, before->files.DataFilePath);
    }
};

class ParameterSaveFaults : public ::testing::Test, protected Saving {};

// The save writing the file named, the save with the dialog (asked to
// overwrite) and the automatic save after a series' run.
TEST_F(ParameterSaveFaults, ASaveFailingAnywhereKeepsTheEarlierFileAndTheNextSaveWorks)
{
    struct Case {
        const char* file;  // there before the save, and written by it
        QByteArray earlier;
        void (Saving::*save)();
        QString box;                 // before the error, and of a save that works ("": none)
        const char* named;           // the file's name after the save, failed or not
        const char* shownOnFailure;  // the name box
    };
    const Case cases[] = {
        {"earlier.par", "earlier contents\r\n", &Saving::write, "", "earlier.par", "earlier.par"},
        // The chosen name is taken before the write; the box keeps "Overwriting".
        {"chosen.par", "kept", &Saving::saveAs, "Confirm: chosen.par already exists.  Overwrite?",
         "chosen.par", "Overwriting"},
        {"subj_b.par", "from an earlier series", &Saving::saveAuto, "", "earlier.par",
         "earlier.par"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const QStringList asked = c.box.isEmpty() ? QStringList() : QStringList{c.box};
        Saving s;
        const QString path = s.folder.path(c.file);
        writeAll(path, c.earlier);
        *s.before = *s.state;
        const auto result =
            failEverySinkStep([&] { (s.*c.save)(); },
                              [&](const std::string& what) {
                                  SCOPED_TRACE(what);
                                  EXPECT_EQ(s.dialogs.texts(), asked + QStringList{kIoError});
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
        EXPECT_EQ(s.dialogs.texts(), asked);
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
        QFile::setPermissions(folder.path("locked"),
                              QFileDevice::ReadOwner | QFileDevice::ExeOwner);
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
