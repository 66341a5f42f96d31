// Captions keep to the room the layout gives them whatever font was found.
#include "app/CaptionFit.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace quelvar::test {
namespace {

TEST(CaptionFit, RoomEndsAtTheNearestControlRightOfTheCaptionOnItsRows)
{
    const QRect caption(20, 70, 50, 16);
    // The controls beside the caption, and the room it has.
    const std::pair<QList<QRect>, int> cases[] = {
        {{}, 200 - 20 - 4},
        {{QRect(145, 65, 26, 24)}, 145 - 20 - 4},
        {{QRect(171, 65, 15, 24), QRect(145, 65, 26, 24)}, 145 - 20 - 4},
        {{QRect(145, 90, 26, 24), QRect(145, 40, 26, 30)}, 200 - 20 - 4},  // rows above and below
        {{QRect(145, 85, 26, 24)}, 145 - 20 - 4},                          // shares the last row
        // Controls that start left of the caption or with it.
        {{QRect(10, 65, 300, 24), QRect(20, 70, 10, 10)}, 200 - 20 - 4},
    };
    for (const auto& [siblings, room] : cases)
        EXPECT_EQ(roomToTheRight(caption, siblings, 200, 4), room) << siblings.size();
}

TEST(CaptionFit, SizeIsTheLargestThatFitsAndNeverBelowTheSmallest)
{
    const auto widthUpTo = [](int room) { return [room](int size) { return size * 10 <= room; }; };
    EXPECT_EQ(fittingPixelSize(16, 10, widthUpTo(200)), 16);
    EXPECT_EQ(fittingPixelSize(16, 10, widthUpTo(139)), 13);
    EXPECT_EQ(fittingPixelSize(16, 10, widthUpTo(50)), 10);
}

TEST(CaptionFit, OnlyCaptionsThatRunIntoTheirNeighbourGetASmallerFont)
{
    QWidget window;
    window.resize(400, 100);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(16);
    window.setFont(font);
    auto* fits = new QLabel(QStringLiteral("Run"), &window);
    fits->move(10, 10);
    fits->adjustSize();
    auto* tooWide = new QLabel(QStringLiteral("Disturbance Number of the run"), &window);
    tooWide->move(10, 50);
    tooWide->adjustSize();
    auto* edit = new QLineEdit(&window);
    edit->setGeometry(tooWide->geometry().right() - 40, 45, 60, 24);
    auto* button = new QPushButton(QStringLiteral("Retrieve Parameters"), &window);
    button->setGeometry(200, 10, button->fontMetrics().horizontalAdvance(button->text()), 24);

    fitCaptions(&window);
    EXPECT_EQ(fits->font().pixelSize(), 16);
    EXPECT_LT(tooWide->font().pixelSize(), 16);
    EXPECT_LT(tooWide->geometry().right(), edit->geometry().left());
    EXPECT_LT(button->fontMetrics().horizontalAdvance(button->text()), button->width());
}

}  // namespace
}  // namespace quelvar::test
