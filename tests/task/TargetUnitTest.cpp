#include "common/ExperimentState.h"
#include "support/AllocationCounter.h"
#include "support/ImageChecks.h"
#include "task/TargetUnit.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <climits>
#include <tuple>

namespace quelvar {
namespace {

using test::pixel;

// Bounding box of the pixels of `color` within columns [fromX, toX]; null if none.
QRect boxOf(const QImage& image, QRgb color, int fromX = 0, int toX = INT_MAX)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = std::max(fromX, 0); x <= std::min(toX, image.width() - 1); ++x)
            if (pixel(image, x, y) == color)
                box |= QRect(x, y, 1, 1);
    return box;
}

QRect corners(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

class TargetDrawing : public testing::Test {
protected:
    static constexpr int kX = 200;
    static constexpr int kY = 100;
    QImage image{400, 200, QImage::Format_RGB32};
    TTarget target;

    void SetUp() override
    {
        image.fill(Qt::black);
        target.Initialize(kX, kY, 1, clRed, clLime);
    }

    template <class Draw>
    void paint(Draw draw)
    {
        QPainter canvas(&image);
        canvas.setBrush(QColor(Qt::black));
        draw(canvas);
    }
};

// Scale two doubles every dimension.
TEST_F(TargetDrawing, PointersCoverTheirColumnsAndElevenRowsAndTheCursorFillsTheGap)
{
    for (const int k : {1, 2}) {
        SCOPED_TRACE(k);
        image.fill(Qt::black);
        target.Initialize(kX, kY, k, clRed, clLime);
        paint([&](QPainter& c) { target.DrawTarget(kY, c); });
        const int top = kY - 5 * k;
        const int bottom = kY + 5 * k;
        EXPECT_EQ(boxOf(image, clRed, 0, kX), corners(kX - 60 * k, top, kX - 20 * k, bottom));
        EXPECT_EQ(boxOf(image, clRed, kX, 399), corners(kX + 20 * k, top, kX + 60 * k, bottom));
        // Filled bars, pointed inner ends, an empty gap between the points.
        EXPECT_EQ(QList<QRgb>({pixel(image, kX - 40 * k, kY), pixel(image, kX + 40 * k, bottom - 1),
                               pixel(image, kX - 20 * k - 1, top)}),
                  QList<QRgb>({clRed, clRed, clBlack}));
        EXPECT_TRUE(boxOf(image, clRed, kX - 20 * k + 1, kX + 20 * k - 1).isNull());
        EXPECT_EQ(target.CurrentY, kY);

        // The cursor fills the gap between the pointers.
        paint([&](QPainter& c) { target.DrawCursor(kY, c); });
        EXPECT_EQ(boxOf(image, clLime), corners(kX - 20 * k, top, kX + 20 * k, bottom));
        // Drawn last, the cursor's points lie on top of the pointers' points.
        EXPECT_EQ(QList<QRgb>({pixel(image, kX - 20 * k, kY), pixel(image, kX + 20 * k, kY),
                               pixel(image, kX, kY)}),
                  QList<QRgb>(3, clLime));
    }
}

TEST_F(TargetDrawing, BrushIsPutBackWhileThePenKeepsTheShapeColour)
{
    QPainter canvas(&image);
    const QColor brush(0x12, 0x34, 0x56);
    canvas.setBrush(brush);
    for (const bool cursor : {false, true}) {
        SCOPED_TRACE(cursor ? "cursor" : "target");
        cursor ? target.DrawCursor(kY, canvas) : target.DrawTarget(kY, canvas);
        EXPECT_EQ(
            std::tuple(canvas.brush().color(), canvas.brush().style(), target.SavedBrushColor),
            std::tuple(brush, Qt::SolidPattern, brush));
        EXPECT_EQ(std::pair(canvas.pen().color().rgb() & 0xFFFFFF, canvas.pen().width()),
                  std::pair(cursor ? clLime : clRed, 1));
    }

    // The caller's background fill with the restored brush wipes the frame.
    canvas.fillRect(image.rect(), canvas.brush());
    canvas.end();
    EXPECT_TRUE(boxOf(image, clRed).isNull());
    EXPECT_TRUE(boxOf(image, clLime).isNull());
}

TEST_F(TargetDrawing, ColoursChangedAfterInitializeAreUsed)
{
    paint([&](QPainter& c) { target.DrawTarget(kY, c); });
    target.TargetColor = clBlue;
    paint([&](QPainter& c) { target.DrawTarget(kY + 30, c); });
    EXPECT_EQ(boxOf(image, clBlue), corners(kX - 60, kY + 25, kX + 60, kY + 35));
}

TEST_F(TargetDrawing, ShapesNearTheEdgeAreClipped)
{
    paint([&](QPainter& c) {
        target.DrawTarget(-3, c);
        target.DrawCursor(image.height() + 2, c);
    });
    EXPECT_EQ(boxOf(image, clRed), corners(kX - 60, 0, kX + 60, 2));
    const QRect lime = boxOf(image, clLime);
    EXPECT_EQ(std::pair(lime.top(), lime.bottom()),
              std::pair(image.height() - 3, image.height() - 1));
}

TEST_F(TargetDrawing, RowsFarOutsideTheBitmapDrawNothing)
{
    for (int row : {INT_MAX, INT_MIN, INT_MAX - 3, INT_MIN + 3, 1 << 30, -(1 << 30), 2000000, -2000000}) {
        SCOPED_TRACE(row);
        image.fill(Qt::black);
        paint([&](QPainter& c) {
            target.DrawTarget(row, c);
            target.DrawCursor(row, c);
        });
        EXPECT_TRUE(boxOf(image, clRed).isNull());
        EXPECT_TRUE(boxOf(image, clLime).isNull());
        EXPECT_EQ(target.CurrentY, row);
    }
}

TEST_F(TargetDrawing, FramesAfterTheFirstAllocateNothing)
{
    QPainter canvas(&image);
    canvas.setBrush(QColor(Qt::black));
    target.DrawTarget(kY, canvas);
    target.DrawCursor(kY, canvas);
    test::AllocationCounter counter;
    for (int frame = 0; frame < 60; ++frame) {
        canvas.fillRect(image.rect(), canvas.brush());
        target.DrawTarget(kY + frame, canvas);
        target.DrawCursor(kY - frame, canvas);
    }
    EXPECT_EQ(counter.count(), 0u);
}

}  // namespace
}  // namespace quelvar
