#include "common/ExperimentState.h"
#include "support/AllocationCounter.h"
#include "task/TargetUnit.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <climits>

namespace quelvar {
namespace {

struct Box {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    bool empty() const { return left > right; }
};

// Bounding box of the pixels of `color` within columns [fromX, toX].
Box boxOf(const QImage& image, QRgb color, int fromX = 0, int toX = INT_MAX)
{
    Box box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = std::max(fromX, 0); x <= std::min(toX, image.width() - 1); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) != color)
                continue;
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x);
            box.top = std::min(box.top, y);
            box.bottom = std::max(box.bottom, y);
        }
    }
    return box;
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

TEST_F(TargetDrawing, TargetPointersCoverTheirColumnsAndElevenRows)
{
    paint([&](QPainter& c) { target.DrawTarget(kY, c); });
    const Box left = boxOf(image, clRed, 0, kX);
    const Box right = boxOf(image, clRed, kX, 399);
    EXPECT_EQ(left.left, kX - 60);
    EXPECT_EQ(left.right, kX - 20);
    EXPECT_EQ(right.left, kX + 20);
    EXPECT_EQ(right.right, kX + 60);
    for (const Box& b : {left, right}) {
        EXPECT_EQ(b.top, kY - 5);
        EXPECT_EQ(b.bottom, kY + 5);
    }
    // Filled bars, pointed inner ends, an empty gap between the points.
    EXPECT_EQ(image.pixel(kX - 40, kY) & 0xFFFFFF, clRed);
    EXPECT_EQ(image.pixel(kX + 40, kY + 4) & 0xFFFFFF, clRed);
    EXPECT_EQ(image.pixel(kX - 21, kY - 5) & 0xFFFFFF, clBlack);
    EXPECT_TRUE(boxOf(image, clRed, kX - 19, kX + 19).empty());
    EXPECT_EQ(target.CurrentY, kY);
}

TEST_F(TargetDrawing, CursorFillsTheGapBetweenThePointers)
{
    paint([&](QPainter& c) {
        target.DrawTarget(kY, c);
        target.DrawCursor(kY, c);
    });
    const Box cursor = boxOf(image, clLime);
    EXPECT_EQ(cursor.left, kX - 20);
    EXPECT_EQ(cursor.right, kX + 20);
    EXPECT_EQ(cursor.top, kY - 5);
    EXPECT_EQ(cursor.bottom, kY + 5);
    // Drawn last, the cursor's points lie on top of the pointers' points.
    EXPECT_EQ(image.pixel(kX - 20, kY) & 0xFFFFFF, clLime);
    EXPECT_EQ(image.pixel(kX + 20, kY) & 0xFFFFFF, clLime);
    EXPECT_EQ(image.pixel(kX, kY) & 0xFFFFFF, clLime);
}

TEST_F(TargetDrawing, ScaleTwoDoublesEveryDimension)
{
    target.Initialize(kX, kY, 2, clRed, clLime);
    paint([&](QPainter& c) {
        target.DrawTarget(kY, c);
        target.DrawCursor(kY + 50, c);
    });
    const Box left = boxOf(image, clRed, 0, kX);
    const Box right = boxOf(image, clRed, kX, 399);
    EXPECT_EQ(left.left, kX - 120);
    EXPECT_EQ(left.right, kX - 40);
    EXPECT_EQ(right.left, kX + 40);
    EXPECT_EQ(right.right, kX + 120);
    EXPECT_EQ(left.top, kY - 10);
    EXPECT_EQ(left.bottom, kY + 10);
    const Box cursor = boxOf(image, clLime);
    EXPECT_EQ(cursor.left, kX - 40);
    EXPECT_EQ(cursor.right, kX + 40);
    EXPECT_EQ(cursor.top, kY + 40);
    EXPECT_EQ(cursor.bottom, kY + 60);
}

TEST_F(TargetDrawing, BrushIsPutBackWhileThePenKeepsTheShapeColour)
{
    QPainter canvas(&image);
    canvas.setBrush(QColor(0x12, 0x34, 0x56));
    target.DrawTarget(kY, canvas);
    EXPECT_EQ(canvas.brush().color(), QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(canvas.brush().style(), Qt::SolidPattern);
    EXPECT_EQ(canvas.pen().color().rgb() & 0xFFFFFF, clRed);
    EXPECT_EQ(target.SavedBrushColor, QColor(0x12, 0x34, 0x56));

    target.DrawCursor(kY, canvas);
    EXPECT_EQ(canvas.brush().color(), QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(canvas.pen().color().rgb() & 0xFFFFFF, clLime);
    EXPECT_EQ(canvas.pen().width(), 1);

    // The caller's background fill with the restored brush wipes the frame.
    canvas.fillRect(image.rect(), canvas.brush());
    canvas.end();
    EXPECT_TRUE(boxOf(image, clRed).empty());
    EXPECT_TRUE(boxOf(image, clLime).empty());
}

TEST_F(TargetDrawing, ColoursChangedAfterInitializeAreUsed)
{
    paint([&](QPainter& c) { target.DrawTarget(kY, c); });
    target.TargetColor = clBlue;
    paint([&](QPainter& c) { target.DrawTarget(kY + 30, c); });
    const Box blue = boxOf(image, clBlue);
    EXPECT_EQ(blue.top, kY + 25);
    EXPECT_EQ(blue.bottom, kY + 35);
}

TEST_F(TargetDrawing, ShapesNearTheEdgeAreClipped)
{
    paint([&](QPainter& c) {
        target.DrawTarget(-3, c);
        target.DrawCursor(image.height() + 2, c);
    });
    const Box red = boxOf(image, clRed);
    EXPECT_EQ(red.top, 0);
    EXPECT_EQ(red.bottom, 2);
    const Box lime = boxOf(image, clLime);
    EXPECT_EQ(lime.top, image.height() - 3);
    EXPECT_EQ(lime.bottom, image.height() - 1);
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
        EXPECT_TRUE(boxOf(image, clRed).empty());
        EXPECT_TRUE(boxOf(image, clLime).empty());
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
