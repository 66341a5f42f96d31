#include "app/Instructions.h"

#include "support/ScriptedDialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <gtest/gtest.h>

namespace quelvar {
namespace {

using test::ScriptedDialogs;

TEST(InstructionsPlacement, TakesHalfTheWidthAndAThirdOfTheHeightBelowTheMiddleOfTheWorkArea)
{
    EXPECT_EQ(instructionsPlacement(QRect(0, 0, 1280, 984)), QRect(320, 492, 640, 328));
    // Odd sizes truncate: 1001 / 2 = 500, 1001 / 2 - 500 / 2 = 250; 767 / 3 = 255.
    EXPECT_EQ(instructionsPlacement(QRect(0, 0, 1001, 767)), QRect(250, 383, 500, 255));
    // A work area that does not start at the screen corner.
    EXPECT_EQ(instructionsPlacement(QRect(60, 40, 1280, 984)), QRect(380, 532, 640, 328));
}

class InstructionsTest : public ::testing::Test {
protected:
    ScriptedDialogs dialogs;
    TInstructForm form{dialogs, nullptr};
};

TEST_F(InstructionsTest, ShowsTheGuideInFaceAndOrderInAReadOnlyViewerPlacedOnTheWorkAreaOnce)
{
    EXPECT_TRUE(dialogs.boxes.empty());
    const QString text = form.viewer()->toPlainText();
    qsizetype at = 0;
    for (const char* heading :
         {"With Quelvar you can", "Collecting Data", "Setting Experimental Run Parameters",
          "Analyzing Data", "Fitting the Model to the Data", "Saving Model Parameters",
          "Retrieving Model Parameters", "Creating and Reusing Disturbance Waveforms"}) {
        const qsizetype found = text.indexOf(QString::fromLatin1(heading), at);
        ASSERT_GE(found, 0) << heading << " missing or out of order";
        at = found + 1;
    }
    QFile resource(QString::fromLatin1(kUserGuideResource));
    ASSERT_TRUE(resource.open(QIODevice::ReadOnly));
    EXPECT_GT(resource.size(), 25000) << "a guide, not a stub";

    int distables = 0;
    int boldButtons = 0;
    bool bodyChecked = false;
    for (QTextBlock block = form.viewer()->document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            const QString piece = fragment.text();
            if (piece.contains("Distable")) {
                ++distables;
                EXPECT_GE(format.fontWeight(), QFont::Bold) << piece.toStdString();
            }
            if (piece == "Collect Data" || piece == "Auto Fit" || piece == "Rescale Error")
                boldButtons += format.fontWeight() >= QFont::Bold ? 1 : 0;
            if (block.text().startsWith("Seat the participant")) {
                bodyChecked = true;
                EXPECT_EQ(format.fontPointSize(), 10.0);
                EXPECT_TRUE(format.fontFamilies().toStringList().contains("sans-serif"));
                EXPECT_LT(format.fontWeight(), QFont::Bold);
            }
            if (block.text() == "Collecting Data")
                EXPECT_GE(format.fontWeight(), QFont::Bold);
        }
    }
    EXPECT_GE(distables, 3);
    EXPECT_GE(boldButtons, 3);
    EXPECT_TRUE(bodyChecked);

    const QRect expected = instructionsPlacement(QGuiApplication::primaryScreen()->availableGeometry());
    EXPECT_EQ(form.windowTitle(), "Instructions");
    EXPECT_EQ(QRect(form.pos(), form.size()), expected);
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_TRUE(form.isModal());

    form.show();
    EXPECT_EQ(form.viewer()->geometry(), form.rect());
    EXPECT_TRUE(form.viewer()->isReadOnly());
    EXPECT_EQ(form.viewer()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    form.viewer()->setPlainText("A text that fits.");
    QApplication::processEvents();
    EXPECT_TRUE(form.viewer()->verticalScrollBar()->isVisible()) << "also when the text fits";

    form.move(expected.topLeft() + QPoint(17, -9));
    form.hide();
    form.show();
    EXPECT_EQ(form.pos(), expected.topLeft() + QPoint(17, -9)) << "reopens where it was left";
    form.hide();
}

TEST_F(InstructionsTest, TheViewerTakesNoTypingOrPasting)
{
    const QString before = form.viewer()->toPlainText();
    QApplication::clipboard()->setText("pasted");
    form.viewer()->setFocus();
    QTest::keyClicks(form.viewer(), "typed");
    QTest::keyClick(form.viewer(), Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(form.viewer(), Qt::Key_Delete);
    EXPECT_EQ(form.viewer()->toPlainText(), before);
}

TEST_F(InstructionsTest, LoadingReplacesTheContentAndReportsAFailure)
{
    const QString guide = form.viewer()->toPlainText();
    form.viewer()->setPlainText("something else");
    EXPECT_TRUE(form.LoadInstructions());
    EXPECT_EQ(form.viewer()->toPlainText(), guide);

    EXPECT_FALSE(form.loadInstructionsFrom(":/guide/missing.html"));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].kind, "Error");
    EXPECT_FALSE(dialogs.boxes[0].text.isEmpty());
    EXPECT_EQ(form.viewer()->toPlainText(), guide);
}

}  // namespace
}  // namespace quelvar
