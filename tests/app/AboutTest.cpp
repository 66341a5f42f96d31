#include "app/About.h"
#include "common/ExperimentState.h"

#include <QFontInfo>
#include <QLabel>
#include <QTimer>
#include <gtest/gtest.h>

#include <tuple>

namespace quelvar {
namespace {

QLabel* label(TAboutBox& box, const char* name)
{
    auto* l = box.findChild<QLabel*>(QString::fromLatin1(name));
    EXPECT_NE(l, nullptr) << name;
    return l;
}

QRgb textColour(const QLabel* l) { return l->palette().color(QPalette::WindowText).rgb() & 0xFFFFFF; }

TEST(AboutBox, IsAFixedModalWindowOfTheDesignedSizeShowingEachRowInItsColourFaceAndPlace)
{
    TAboutBox box(nullptr);
    EXPECT_EQ(box.windowTitle(), "About");
    EXPECT_EQ(box.size(), QSize(400, 211));
    EXPECT_EQ(box.minimumSize(), box.maximumSize());
    EXPECT_TRUE(box.isModal());
    EXPECT_EQ(box.findChild<QWidget*>("Bevel")->geometry(), QRect(48, 48, 297, 145));

    // Caption, its text, value, its text, and the row's height on the window.
    const std::tuple<const char*, const char*, const char*, const char*, int> rows[] = {
        {"ProgramCaption", "Program:", "ProgramValue", "Quelvar.exe", 56},
        {"VersionCaption", "Version:", "VersionValue", "1.00", 80},
        {"DateCaption", "Date:", "DateValue", "9/13/2008", 104},
    };
    const QColor windowText = box.palette().color(QPalette::WindowText);
    const auto face = [](const QLabel* l) {
        return std::tuple(l->text().toStdString(), l->pos(), l->font().pixelSize(),
                          l->font().styleHint());
    };
    for (const auto& [captionName, captionText, valueName, valueText, y] : rows) {
        QLabel* caption = label(box, captionName);
        QLabel* value = label(box, valueName);
        EXPECT_EQ(face(caption), std::tuple(captionText, QPoint(56, y), 16, QFont::Serif));
        EXPECT_EQ(textColour(caption), clRed);
        EXPECT_EQ(face(value), std::tuple(valueText, QPoint(136, y), 13, QFont::Serif));
        EXPECT_EQ(value->palette().color(QPalette::WindowText), windowText);
        for (QLabel* l : {caption, value})
            EXPECT_TRUE(QRect(48, 48, 297, 145).contains(l->geometry())) << captionName;
    }
    QLabel* title = label(box, "TitleLabel");
    EXPECT_EQ(title->pos(), QPoint(44, 16));
    EXPECT_EQ(title->font().pixelSize(), 19);
    EXPECT_EQ(textColour(title), clRed);
    EXPECT_TRUE(title->text().contains("Quelvar"));
    EXPECT_LE(title->geometry().right(), 400) << "the title fits on its line";
}

TEST(AboutBox, OpensCentredOverTheMainWindow)
{
    QWidget mainWindow;
    mainWindow.setGeometry(100, 50, 900, 600);
    TAboutBox box(&mainWindow);
    box.show();
    const QPoint offset = box.frameGeometry().center() - mainWindow.frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 2);
    box.hide();
}

TEST(AboutBox, FramesGoOnWhileItIsOpen)
{
    // The frame loop is a zero-interval timer; a modal About window must not stop it.
    TAboutBox box(nullptr);
    int frames = 0;
    QTimer frameTimer;
    QObject::connect(&frameTimer, &QTimer::timeout, [&] { ++frames; });
    frameTimer.start(0);
    QTimer::singleShot(100, &box, [&] { box.close(); });
    box.exec();
    EXPECT_GT(frames, 10);
}

}  // namespace
}  // namespace quelvar
