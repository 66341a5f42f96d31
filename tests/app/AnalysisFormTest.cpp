// The analysis window driven through its controls, with frames run the way the
// controller runs them (AnalysisFrame) and file dialogs answered by a script.
#include "app/AnalysisForm.h"
#include "support/ImageChecks.h"

#include "datafiles/DataFile.h"
#include "support/AnalysisHarness.h"
#include "support/SyntheticRuns.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace quelvar::test {
namespace {

class AnalysisFormTest : public ::testing::Test, protected AnalysisHarness {
protected:
    AnalysisFormTest() { state->experiment.State = AnalysisLive; }
    ~AnalysisFormTest() override { form.hide(); }

    template <class W = QWidget>
    W* child(const char* name)
    {
        W* widget = form.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    // One property of each named control, in order; by default an edit's, label's or button's text.
    template <class T = QString>
    QList<T> read(const char* property, std::initializer_list<const char*> names)
    {
        QList<T> out;
        for (const char* name : names)
            out << child(name)->property(property).template value<T>();
        return out;
    }

    QString text(const char* name) { return read("text", {name}).front(); }

    // Input delay, output gain, damping and reference, as their edits show them.
    QStringList spinners()
    {
        return read("text", {"InpDelayEdit", "OutGainEdit", "DampEdit", "RefEdit"});
    }

    void click(const char* buttonName) { child<QPushButton>(buttonName)->click(); }

    // The arrow buttons of a spinner: index 0 steps up, 1 steps down.
    void step(const char* upDownName, int arrowIndex, int times = 1)
    {
        const auto arrows = child(upDownName)->findChildren<QToolButton*>();
        ASSERT_EQ(arrows.size(), 2);
        for (int i = 0; i < times; ++i)
            arrows[arrowIndex]->click();
    }

    // What a paint box shows on screen.
    QImage shown(const char* paintBoxName) { return child(paintBoxName)->grab().toImage(); }

    // Shows the window and opens a run of this difficulty and disturbance with the Open button.
    void openRun(const QString& name, int difficulty, int disturbance)
    {
        form.show();
        const QString path = folder.path(name);
        EXPECT_TRUE(fileOk(writeDataFile(path, difficulty, disturbance, *sineRun())));
        dialogs.openAnswers.push_back(path);
        click("OpenBtn");
    }

    TAnalysisForm form{session, nullptr, 1.0};
};

TEST_F(AnalysisFormTest, OpensWithTheDesignedFrameColoursFontsLayoutAndSpinnerPositions)
{
    EXPECT_EQ(form.windowTitle(), "Analysis");
    EXPECT_EQ(form.size(), QSize(829, 541));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form.isModal());
    EXPECT_EQ(form.palette().color(QPalette::Window).rgb() & 0xFFFFFF, clMoneyGreen);
    EXPECT_EQ(form.font().pixelSize(), 11);
    EXPECT_EQ(child<QGroupBox>("ControlsBox")->font().pixelSize(), 13);
    EXPECT_EQ(child<QGroupBox>("ControlsBox")->font().family(), "Arial");
    EXPECT_EQ(child<QLabel>("Label8")->palette().color(QPalette::WindowText).rgb() & 0xFFFFFF, clBlue);

    EXPECT_EQ(
        read<QRect>("geometry", {"ControlsBox", "OpenBtn", "FileEdit", "CloseBtn", "InpDelayEdit",
                                 "InDelayUpDown", "RefUpDown", "ErrPredEdit", "ParamFileNameEdit",
                                 "AnalysisKeyBox", "Rescale1", "RunTargetSquare"}),
        QList<QRect>({QRect(0, 0, 829, 226), QRect(20, 30, 101, 25), QRect(130, 30, 218, 24),
                      QRect(720, 30, 91, 25), QRect(20, 100, 46, 24), QRect(66, 100, 16, 24),
                      QRect(396, 140, 16, 24), QRect(610, 142, 56, 24), QRect(376, 179, 209, 24),
                      QRect(644, 0, 185, 315), QRect(40, 140, 96, 25), QRect(18, 34, 17, 17)}));
    EXPECT_EQ(child("Label3")->pos(), QPoint(50, 250));
    EXPECT_EQ(child("RunPaintBox")->size(), QSize(636, 136));
    EXPECT_EQ(child("ModelPaint")->size(), QSize(636, 153));

    EXPECT_EQ(read("text", {"RetrieveParmsBtn", "InDelayLabel", "MouseLabel", "Label13"}),
              QStringList({"Retrieve Parameters", "Input delay in 1/60th second increments ",
                           "Mouse ", "Error"}));
    EXPECT_EQ(read<bool>("readOnly",
                         {"ParamFileNameEdit", "FileEdit", "DiffEdit", "DistNoEdit", "InpDelayEdit",
                          "OutGainEdit", "DampEdit", "RefEdit", "ErrFitEdit", "ErrPredEdit"}),
              QList<bool>({false, true, true, true, true, true, true, true, true, true}));
    EXPECT_EQ(spinners(), QStringList({"2", "20", "20", "0"}));
    EXPECT_DOUBLE_EQ(state->analysis.Parameters.OutGain, 0.0);  // loaded only by a frame
}

TEST_F(AnalysisFormTest, ScreenHeightOver768ScalesEverySizePositionAndFont)
{
    EXPECT_DOUBLE_EQ(analysisScaleRatio(768), 1.0);
    EXPECT_DOUBLE_EQ(analysisScaleRatio(1080), 1.40625);
    EXPECT_EQ(scaledPixels(829, 1.40625), 1166);
    EXPECT_EQ(scaledPixels(2, 1.25), 2);  // 2.5: halves go to the even neighbour

    TAnalysisForm scaled(session, nullptr, 1.40625);
    EXPECT_EQ(scaled.size(), QSize(1166, 761));
    EXPECT_EQ(scaled.findChild<QWidget*>("OpenBtn")->geometry(), QRect(28, 42, 142, 35));
    EXPECT_EQ(scaled.findChild<QWidget*>("DampUpDown")->geometry(), QRect(557, 141, 22, 34));
    EXPECT_EQ(scaled.font().pixelSize(), 15);
    EXPECT_EQ(scaled.findChild<QWidget*>("AnalysisKeyBox")->font().pixelSize(), 18);
}

TEST_F(AnalysisFormTest, ASpinnerClickStoresItsPositionAndStopsAtTheRangeEnds)
{
    step("OutGainUpDown", 0, 3);
    step("InDelayUpDown", 0, 20);
    step("RefUpDown", 1, 105);
    EXPECT_EQ(spinners(), QStringList({"16", "23", "20", "-100"}));
    EXPECT_EQ(state->analysis.Spinners.OutGainUpDown.Position, 23);
    EXPECT_DOUBLE_EQ(state->analysis.Parameters.OutGain, 23.0);
    EXPECT_DOUBLE_EQ(state->analysis.Parameters.Damp, 0.0);  // only a clicked spinner's own field
    EXPECT_EQ(state->analysis.Spinners.RefUpDown.Position, -100);
}

TEST_F(AnalysisFormTest, ArrowKeysInASpinnerEditStepTheSpinner)
{
    QLineEdit* edit = child<QLineEdit>("DampEdit");
    for (const Qt::Key key : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Down})
        QTest::keyClick(edit, key);
    EXPECT_EQ(edit->text(), "21");
    EXPECT_DOUBLE_EQ(state->analysis.Parameters.Damp, 21.0);
}

TEST_F(AnalysisFormTest, GraphAreasFillAtTheFrameAfterARunIsOpenedAndASpinnerClickAtTheNext)
{
    form.show();
    EXPECT_FALSE(contains(shown("RunPaintBox"), clRed));

    openRun("run1.txt", 4, 7);
    ASSERT_TRUE(state->experiment.RunAvailable);
    EXPECT_EQ(read("text", {"FileEdit", "DiffEdit", "DistNoEdit", "ErrFitEdit"}),
              QStringList({"run1.txt", "  4", "  7", ""}));
    EXPECT_FALSE(contains(shown("RunPaintBox"), clRed));  // not within the click

    session.AnalysisFrame();
    const QImage run = shown("RunPaintBox");
    const QImage model = shown("ModelPaint");
    EXPECT_EQ(run.size(), QSize(636, 136));
    EXPECT_TRUE(contains(run, clRed));
    EXPECT_TRUE(contains(run, clLime));
    EXPECT_TRUE(contains(model, clBlue));
    EXPECT_EQ(model.size(), QSize(636, 153));
    const QString errorBefore = text("ErrFitEdit");
    EXPECT_EQ(errorBefore.size(), 6);
    EXPECT_FALSE(text("ErrPredEdit").trimmed().isEmpty());

    // A spinner click shows at the next frame, in the model graph only.
    step("OutGainUpDown", 0, 40);
    EXPECT_EQ(text("ErrFitEdit"), errorBefore);
    session.AnalysisFrame();
    EXPECT_NE(text("ErrFitEdit"), errorBefore);
    EXPECT_EQ(shown("RunPaintBox"), run);
    EXPECT_NE(shown("ModelPaint"), model);
}

TEST_F(AnalysisFormTest, UnchangedErrorsLeaveTheBoxesAloneSoASelectionSurvivesTheFrames)
{
    state->run = *sineRun();
    state->experiment.RunAvailable = true;
    session.AnalysisFrame();
    QLineEdit* modelError = child<QLineEdit>("ErrFitEdit");
    modelError->selectAll();
    session.AnalysisFrame();
    session.AnalysisFrame();
    EXPECT_TRUE(modelError->hasSelectedText()) << "the user can copy the error";

    step("DampUpDown", 0, 50);
    session.AnalysisFrame();
    EXPECT_FALSE(modelError->hasSelectedText());
}

TEST_F(AnalysisFormTest, RescaleErrorTogglesBothCaptionsAndTheErrorTraces)
{
    form.show();
    state->run.Error.fill(100.0);
    ComputeMagnifiedRunError(state->run);
    state->experiment.RunAvailable = true;

    click("Rescale1");
    EXPECT_TRUE(state->analysis.ErrorMagnified);
    EXPECT_EQ(read("text", {"Label13", "Label3"}), QStringList({"Error X 5", "Error X 5"}));
    session.AnalysisFrame();
    EXPECT_EQ(pixel(shown("RunPaintBox"), 300, 68 - 47), clBlack);

    click("Rescale1");
    EXPECT_EQ(read("text", {"Label13", "Label3"}), QStringList({"Error", "Error"}));
    session.AnalysisFrame();
    EXPECT_EQ(pixel(shown("RunPaintBox"), 300, 68 - 47), 0xFFFFFFu);
    EXPECT_EQ(pixel(shown("RunPaintBox"), 300, 68 - 9), clBlack);
}

TEST_F(AnalysisFormTest, RescaleBeforeAnyRunChangesOnlyTheCaptionsAndTheFlag)
{
    form.show();
    click("Rescale1");
    EXPECT_EQ(text("Label13"), "Error X 5");
    EXPECT_FALSE(contains(shown("RunPaintBox"), clBlack));
    EXPECT_FALSE(contains(shown("ModelPaint"), clBlack));
}

TEST_F(AnalysisFormTest, ClosingByAnyMeansReportsOnceAndHides)
{
    QSignalSpy closed(&form, &TAnalysisForm::analysisClosed);
    // The Close button, the close box and Escape.
    const std::function<void()> closers[] = {[&] { click("CloseBtn"); }, [&] { form.close(); },
                                             [&] { QTest::keyClick(&form, Qt::Key_Escape); }};
    for (int i = 0; i < 3; ++i) {
        form.show();
        closers[i]();
        EXPECT_EQ(closed.count(), i + 1);
        EXPECT_FALSE(form.isVisible());
    }
    form.close();  // already hidden: nothing to report
    EXPECT_EQ(closed.count(), 3);
}

TEST_F(AnalysisFormTest, EverythingTheWindowHoldsSurvivesClosingAndReopening)
{
    openRun("run1.txt", 2, 9);
    step("DampUpDown", 0, 5);
    click("Rescale1");
    session.AnalysisFrame();
    const QString modelError = text("ErrFitEdit");
    const QImage modelGraph = shown("ModelPaint");
    click("CloseBtn");

    form.show();
    EXPECT_EQ(read("text", {"DampEdit", "FileEdit", "DiffEdit", "ErrFitEdit", "Label3"}),
              QStringList({"25", "run1.txt", "  2", modelError, "Error X 5"}));
    EXPECT_EQ(shown("ModelPaint"), modelGraph);
    session.AnalysisFrame();
    EXPECT_EQ(text("ErrFitEdit"), modelError);
    EXPECT_EQ(shown("ModelPaint"), modelGraph);
}

TEST_F(AnalysisFormTest, OpensCentredOverTheMainWindow)
{
    QWidget mainWindow;
    mainWindow.setGeometry(40, 30, 1000, 700);
    {
        TAnalysisForm centred(session, &mainWindow, 1.0);
        centred.show();
        const QPoint offset =
            centred.frameGeometry().center() - mainWindow.frameGeometry().center();
        EXPECT_LE(offset.manhattanLength(), 2);
        centred.hide();
    }
    // The session must not keep talking to a window that is gone.
    session.ComputeErrors();
}

TEST_F(AnalysisFormTest, SaveAndRetrieveRoundTripThroughTheButtons)
{
    step("InDelayUpDown", 0, 3);   // 5
    step("OutGainUpDown", 0, 17);  // 37
    step("DampUpDown", 0, 100);    // 120
    step("RefUpDown", 1, 15);      // -15
    const QString path = folder.path("fit.par");
    dialogs.saveAnswers.push_back(path);
    click("SaveParamBtn");
    ASSERT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(text("ParamFileNameEdit"), "fit.par");

    step("InDelayUpDown", 1, 5);
    step("OutGainUpDown", 0, 100);
    child<QLineEdit>("ParamFileNameEdit")->setText("typed by the user");
    dialogs.openAnswers.push_back(path);
    click("RetrieveParmsBtn");
    EXPECT_TRUE(dialogs.boxes.empty()) << dialogs.texts().join("; ").toStdString();
    EXPECT_EQ(spinners(), QStringList({"5", "37", "120", "-15"}));
    EXPECT_EQ(text("ParamFileNameEdit"), "fit.par");
}

TEST_F(AnalysisFormTest, SavingOverAnExistingFileAsksFirst)
{
    const QString path = folder.path("fit.par");
    writeAll(path, "keep me\r\n");

    dialogs.saveAnswers.push_back(path);
    dialogs.confirmAnswers.push_back(false);
    click("SaveParamBtn");
    EXPECT_EQ(dialogs.texts(), QStringList({"Confirm: fit.par already exists.  Overwrite?"}));
    EXPECT_EQ(text("ParamFileNameEdit"), "Save aborted");
    EXPECT_EQ(readAll(path), QByteArray("keep me\r\n"));

    dialogs.saveAnswers.push_back(path);
    dialogs.confirmAnswers.push_back(true);
    click("SaveParamBtn");
    EXPECT_TRUE(readAll(path).startsWith("TrackParameters\r\n"));
    EXPECT_EQ(text("ParamFileNameEdit"), "fit.par");

    // A write that fails after the question leaves "Overwriting" in the box.
    const QString folderPath = folder.path("taken.par");
    ASSERT_TRUE(QDir().mkdir(folderPath));
    dialogs.saveAnswers.push_back(folderPath);
    dialogs.confirmAnswers.push_back(true);
    click("SaveParamBtn");
    EXPECT_EQ(text("ParamFileNameEdit"), "Overwriting");
    EXPECT_EQ(dialogs.boxes.back().text, "File I/O error.");
}

TEST_F(AnalysisFormTest, AutoFitPutsTheFittedValuesOnTheSpinners)
{
    // On an all-zero run no parameter changes the error, so every search ends
    // at the middle of its range.
    state->experiment.RunAvailable = true;
    click("AutoFitBtn");
    EXPECT_EQ(spinners(), QStringList({"8", "250", "500", "0"}));
    EXPECT_EQ(read("text", {"ErrFitEdit", "ErrPredEdit"}), QStringList({" 0.000", " 0.000"}));
}

TEST_F(AnalysisFormTest, AFitOnTheHiddenWindowShowsWhenItOpens)
{
    state->run = *sineRun();
    state->files.DataFilePath = folder.path("series_b.txt");
    session.FitAndSaveAfterRun(3, 1);
    EXPECT_TRUE(QFileInfo::exists(folder.path("series_b.par")));
    const ParameterSpinners& s = state->analysis.Spinners;

    form.show();
    EXPECT_EQ(spinners(), QStringList({QString::number(s.InDelayUpDown.Position),
                                       QString::number(s.OutGainUpDown.Position),
                                       QString::number(s.DampUpDown.Position),
                                       QString::number(s.RefUpDown.Position)}));
    EXPECT_NE(s.OutGainUpDown.Position, 20);
    EXPECT_TRUE(text("FileEdit").isEmpty());  // the hidden fit leaves the run's identity alone
}

TEST_F(AnalysisFormTest, SpinnerPositionsChangedWhileHiddenAreShownOnOpening)
{
    state->analysis.Spinners.DampUpDown.Position = 777;
    form.show();
    EXPECT_EQ(text("DampEdit"), "777");
    EXPECT_DOUBLE_EQ(state->analysis.Parameters.Damp, 0.0);  // shown, not clicked
}

TEST_F(AnalysisFormTest, TheModelGraphFillsItsPaintBoxOnceTheWindowHasPainted)
{
    form.show();
    form.repaint();
    state->experiment.RunAvailable = true;
    session.AnalysisFrame();
    const QImage model = shown("ModelPaint");
    EXPECT_EQ(pixel(model, model.width() - 1, model.height() - 1), 0xFFFFFFu);
    EXPECT_EQ(pixel(model, model.width() - 1, 76), clBlack);  // the zero-valued traces
}

}  // namespace
}  // namespace quelvar::test
