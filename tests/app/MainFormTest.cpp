#include "app/MainForm.h"

#include "app/FrameLoop.h"
#include "app/MainLayout.h"
#include "app/QtDialogs.h"
#include "app/UpDown.h"
#include "support/AnalysisHarness.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <tuple>

namespace quelvar::test {
namespace {

TEST(MainLayout, ScaleFactorFollowsTheWidthUnlessTheScreenIsNoWiderThanThreeToFour)
{
    EXPECT_EQ(scaleFactorForScreen(1280, 1024), 1.25);
    EXPECT_EQ(scaleFactorForScreen(1920, 1080), 1.875);
    EXPECT_EQ(scaleFactorForScreen(768, 1024), 1024.0 / 768.0);
    EXPECT_EQ(scaleFactorForScreen(1024, 768), 1.0);
    EXPECT_EQ(scaledRect(586, 319, 210, 232, 1.25), QRect(732, 399, 262, 290));  // 732.5, 262.5 to even
}

TEST(MainLayout, FirstPassCentresThePanelAndGivesTheTargetDisplay95PercentOfTheHeight)
{
    const FirstPassLayout layout = firstPassLayout(1281, 995, 1000);
    EXPECT_EQ(layout.panelLeft, 640 - 497);
    EXPECT_EQ(layout.panelHeight, 1000);
    EXPECT_EQ(layout.targetBoxHeight, 950);
    EXPECT_EQ(layout.controlPanelHeight, 950);
    EXPECT_EQ(firstPassLayout(1280, 995, 970).targetBoxHeight, 922);  // 921.5 to even
    EXPECT_EQ(targetPaintRect(QRect(235, 5, 336, 671), 1.0), QRect(2, 18, 332, 651));
}

TEST(QtDialogsFilter, DescriptionAndPatternPairsBecomeQtNameFilters)
{
    EXPECT_EQ(qtNameFilters("Text files (*.txt)|*.txt"), "Text files (*.txt)");
    EXPECT_EQ(qtNameFilters("Parameter files|*.par|All|*.par;*.txt"),
              "Parameter files (*.par);;All (*.par *.txt)");
    EXPECT_EQ(qtNameFilters(""), "");
}

struct Form : AnalysisHarness {
    TMainForm form;

    explicit Form(bool frames = false, Dialogs* boxes = nullptr)
        : form(*state, boxes ? *boxes : dialogs, session, folder.path("Distable"), frames)
    {
    }
};

class MainForm : public ::testing::Test, protected Form {
protected:
    TMainForm& w = form;
};

TEST_F(MainForm, ControlsCarryTheirCaptionsAndTheWindowItsColourAndScaledFont)
{
    EXPECT_EQ(w.windowTitle(), "Quelvar");
    EXPECT_EQ(w.palette().color(QPalette::Window).rgb() & 0xFFFFFF, clMoneyGreen);
    EXPECT_EQ(w.font().family(), "Arial");
    EXPECT_EQ(w.font().pixelSize(), scaledLength(13, w.scaleFactor()));
    EXPECT_EQ(
        QStringList({w.CollectDataBtn->text(), w.AnalyzeBtn->text(), w.InstructionBtn->text(),
                     w.AboutBtn->text(), w.ExitBtn->text(), w.StartBtn->text(), w.AbortBtn->text(),
                     w.RecordBox->title(), w.RunSettingsBox->title(), w.DiffEdit->text(),
                     w.DisturbEdit->text(), w.NRunsEdit->text(), w.IRIEdit->text()}),
        QStringList({"Collect Data", "Analyze Data", "Instructions", "About ...", "Exit",
                     "Start Recording", "Abort Recording", "Data Recorder",
                     "Experimental Run Settings", "3", "1", "1", "5"}));
    EXPECT_EQ(w.StartBtn->geometry(), scaledRect(45, 35, 116, 25, w.scaleFactor()));
    EXPECT_EQ(w.IRIUpDown->geometry(), scaledRect(171, 180, 15, 24, w.scaleFactor()));
    EXPECT_TRUE(w.DiffEdit->isReadOnly());
    EXPECT_FALSE(w.CurrentRunEdit->isReadOnly());
}

TEST_F(MainForm, FirstPassLaysOutTheWindowAndFillsTheBoxes)
{
    w.show();
    QApplication::processEvents();
    w.controller().ApplicationIdle();
    EXPECT_EQ(w.MainPanel->x(), w.frameGeometry().width() / 2 - w.MainPanel->width() / 2);
    EXPECT_EQ(w.MainPanel->height(), w.height());
    EXPECT_EQ(w.TargetBox->height(), roundToInt32(0.95 * w.height()));
    EXPECT_EQ(w.ControlPanel->height(), w.TargetBox->height());
    EXPECT_EQ(w.controller().recording().bitmap().size(), w.TargetPaint->size());
    EXPECT_EQ(QStringList({w.Status->text(), w.SaveDataEdit->text(), w.CurrentRunEdit->text()}),
              QStringList({"Inactive", "Default.txt", "  1"}));
    EXPECT_EQ(w.Status->palette().color(QPalette::Base).rgb() & 0xFFFFFF, clYellow);

    // The mouse over the display moves the cursor position, no button needed.
    const int h = w.TargetPaint->height();
    QMouseEvent move(QEvent::MouseMove, QPointF(10, h / 2 - h / 4), QPointF(), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w.TargetPaint, &move);
    EXPECT_NEAR(w.controller().recording().MouseValue, 300.0, 2.0);
}

TEST_F(MainForm, SpinnersStopAtTheirLimitsAndTellTheController)
{
    // A spinner, its edit, arrow clicks on it (negative: down) and what the edit shows then.
    const std::tuple<UpDown*, QLineEdit*, int, const char*> clicks[] = {
        {w.NRunsUpDown, w.NRunsEdit, -1, "1"}, {w.NRunsUpDown, w.NRunsEdit, 20, "15"},
        {w.IRIUpDown, w.IRIEdit, 1, "10"},     {w.IRIUpDown, w.IRIEdit, 100, "300"},
        {w.DiffUpDown, w.DiffEdit, 3, "5"},    {w.DisturbUpDown, w.DisturbEdit, -1, "1"}};
    for (const auto& [upDown, edit, times, shown] : clicks) {
        for (int i = 0; i < std::abs(times); ++i)
            times > 0 ? upDown->stepUp() : upDown->stepDown();
        EXPECT_EQ(edit->text(), shown) << edit->objectName().toStdString() << " " << times;
    }
    const ExperimentState& e = state->experiment;
    EXPECT_EQ(std::tuple(e.RunCount, e.MultiRun, w.controller().spinners().IRI, e.Difficulty,
                         e.DisturbanceNumber),
              std::tuple(15, true, 300, 5, 1));
}

// Runs `click`; reports whether `dialog` was the modal window shortly after.
bool opensModally(QDialog& dialog, const std::function<void()>& click)
{
    bool seen = false;
    bool checked = false;
    QTimer::singleShot(50, [&] {
        seen = QApplication::activeModalWidget() == &dialog;
        checked = true;
        if (seen)
            dialog.reject();
    });
    click();
    return QTest::qWaitFor([&] { return checked; }, 2000) && seen;
}

TEST_F(MainForm, AboutOpensEvenDuringARecordingWhileInstructionsAndAnalysisWait)
{
    QDialog analysis, about, instructions;
    w.setWindows(&analysis, &about, &instructions);
    w.controller().ApplicationIdle();
    dialogs.saveAnswers.push_back(folder.path("run.txt"));
    w.CollectDataBtn->click();
    w.StartBtn->click();
    ASSERT_TRUE(state->experiment.Recording);
    EXPECT_TRUE(opensModally(about, [&] { w.AboutBtn->click(); }));
    EXPECT_FALSE(opensModally(instructions, [&] { w.InstructionBtn->click(); }));
    EXPECT_FALSE(opensModally(analysis, [&] { w.AnalyzeBtn->click(); }));

    w.AbortBtn->click();
    EXPECT_TRUE(opensModally(instructions, [&] { w.InstructionBtn->click(); }));
    EXPECT_TRUE(opensModally(analysis, [&] { w.AnalyzeBtn->click(); }));
    EXPECT_EQ(state->experiment.State, AnalysisLive);
}

// Closes whatever modal window is open once the loop has made `frames` more passes
// (or after `ms`: a busy machine slows the frames down), noting the count then.
void closeModalAfter(int frames, int ms, FrameLoop& loop, std::int64_t& passesAtClose)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [=, deadline = QDeadlineTimer(ms),
                                              until = loop.passes() + frames, &loop, &passesAtClose] {
        if (loop.passes() >= until || deadline.hasExpired()) {
            passesAtClose = loop.passes();
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
            poll->deleteLater();
        }
    });
    poll->start(5);
}

TEST(FrameLoopUnderBoxes, FramesGoOnWhileAMessageBoxOpenedByAButtonIsOpen)
{
    QtDialogs boxes;
    Form f(true, &boxes);
    boxes.setParentWindow(&f.form);
    boxes.setModalHooks(&f.form.frameLoop());
    f.form.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.state->experiment.State != StartupLayout; }, 2000));
    ASSERT_EQ(f.state->experiment.StatusText, "Inactive");
    std::int64_t atClose = 0;
    const std::int64_t before = f.form.frameLoop().passes();
    closeModalAfter(12, 10000, f.form.frameLoop(), atClose);
    f.form.StartBtn->click();  // "Inactive": the information box
    EXPECT_GE(atClose - before, 12) << "frames stopped under the box";
}

TEST(FrameLoopUnderBoxes, FramesGoOnUnderABoxOpenedByAFrameAndStopUnderAFileDialog)
{
    QtDialogs boxes;
    std::int64_t atClose = 0;
    std::int64_t atOpen = 0;
    bool boxShown = false;
    FrameLoop loop([&] {
        if (loop.passes() == 3 && !boxShown) {
            boxShown = true;
            atOpen = loop.passes();
            closeModalAfter(21, 10000, loop, atClose);
            boxes.error("File I/O error.");
        }
    });
    boxes.setModalHooks(&loop);
    loop.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return boxShown && atClose != 0; }, 12000));
    EXPECT_GT(atClose - atOpen, 20) << "nested frames ran while the box was open";

    atOpen = loop.passes();
    closeModalAfter(1, 300, loop, atClose);
    FileDialogRequest request;
    request.title = "Save Data File As";
    boxes.saveFile(request);
    EXPECT_EQ(atClose, atOpen) << "no frame while the file dialog was open";
    EXPECT_TRUE(loop.isRunning());
    loop.stop();
}

}  // namespace
}  // namespace quelvar::test
