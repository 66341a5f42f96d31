#include "task/ControllerHarness.h"

#include "support/ImageChecks.h"
#include "task/DisturbFR.h"
#include "task/RunRecording.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace quelvar::test {
namespace {

TEST(MouseToPosition, RowsOfA651PixelDisplayMapToPositionsHeldWithin500)
{
    std::vector<double> positions;
    for (const int row : {0, 325, 651, 200, -100000, 100000})
        positions.push_back(positionForRow(row, 651, 1200));
    // Row 0 lies at 599.08 before limiting.
    EXPECT_EQ(positions, (std::vector{500.0, 0.0, -500.0, 125 * 1200 / 651.0, 500.0, -500.0}));
}

TEST(PositionToRow, ValuesMapToRowsAndHalvesRoundToEven)
{
    EXPECT_EQ(rowForPosition(0.0, 651, 1200), 325);
    EXPECT_EQ(rowForPosition(500.0, 651, 1200), 325 - 271);   // 271.25
    EXPECT_EQ(rowForPosition(-500.0, 651, 1200), 325 + 271);
    EXPECT_EQ(rowForPosition(1.0, 600, 1200), 300);           // 0.5 rounds to 0
    EXPECT_EQ(rowForPosition(3.0, 600, 1200), 298);           // 1.5 rounds to 2
    // The mouse's own rows come back: the cursor sits on the pointer.
    for (int y = 0; y <= 651; ++y) {
        const double value = positionForRow(y, 651, 1200);
        if (std::abs(value) < 500.0)
            ASSERT_EQ(rowForPosition(value, 651, 1200), y) << y;
    }
}

TEST(PositionToRow, ValuesFarOutsideTheTableGiveRowsJustOutsideTheDisplay)
{
    const double inf = std::numeric_limits<double>::infinity();
    for (double v : {1e6, 1e300, inf, -1e6, -1e300, -inf}) {
        const int row = rowForPosition(v, 651, 1200);
        EXPECT_TRUE(row < -10 || row > 661) << v << " -> " << row;
        EXPECT_GT(row, -3000) << v;
        EXPECT_LT(row, 3000) << v;
    }
    EXPECT_EQ(rowForPosition(std::nan(""), 651, 1200), 325);
}

TEST(DrawFrame, DrawsTargetAndCursorOnBlackShowsTheBitmapAndBlankClearsIt)
{
    ControllerHarness h;
    TDisturb& table = h.controller.disturb();
    table.Table[(3 - 1) * 36000 + 0] = 0.0;      // level 3, number 1, position 1
    table.Table[(3 - 1) * 36000 + 1] = 250.0;    // position 2
    RunRecording& r = h.controller.recording();
    r.TargetPaintMouseMove(325);
    h.collect("run.txt");
    h.e().TablePosition = 1;
    const int shows = h.view.shows;
    h.passes(1);
    EXPECT_EQ(h.view.shows, shows + 1);
    const QImage& image = r.bitmap();
    const int cx = 332 / 2;
    EXPECT_EQ(pixel(image, 0, 0), clBlack);
    EXPECT_EQ(pixel(image, cx - 50, 325), clRed);
    EXPECT_EQ(pixel(image, cx + 50, 325), clRed);
    EXPECT_EQ(pixel(image, cx, 325), clLime);
    EXPECT_EQ(pixel(image, cx, 325 + 20), clBlack);

    // The next frame clears the last one: the target moved up to 250.
    h.passes(1);
    const int row = 325 - 136;  // Round(651 * 250 / 1200) = Round(135.625)
    EXPECT_EQ(r.TargetValue, 250.0);
    EXPECT_EQ(pixel(image, cx - 50, row), clRed);
    EXPECT_EQ(pixel(image, cx - 50, 325), clBlack);
    EXPECT_EQ(pixel(image, cx, 325), clLime);

    // The blank state clears the display every pass.
    h.e().State = Blank;
    const int shown = h.view.shows;
    h.passes(2);
    EXPECT_EQ(h.view.shows, shown + 2);
    QImage black(image.size(), QImage::Format_RGB32);
    black.fill(Qt::black);
    EXPECT_EQ(image.copy().convertToFormat(QImage::Format_RGB32), black);
}

// Foreign tables may hold any value; such frames draw clipped shapes and
// record the value as it is.
TEST(DrawFrame, TableValuesBeyondTheDisplayAreDrawnClippedAndRecorded)
{
    ControllerHarness h;
    TDisturb& table = h.controller.disturb();
    const double values[] = {1e308, -1e308, std::numeric_limits<double>::infinity(), std::nan(""), 700.0};
    for (int i = 0; i < 5; ++i)
        table.Table[(3 - 1) * 36000 + i] = values[i];
    h.collect("run.txt");
    h.e().TablePosition = 1;
    for (int i = 0; i < 5; ++i) {
        h.passes(1);
        const double shown = h.controller.recording().TargetValue;
        EXPECT_TRUE(shown == values[i] || (std::isnan(shown) && std::isnan(values[i]))) << i;
    }
    // 700 lies well above the top of the display: nothing red is left in it.
    const QImage& image = h.controller.recording().bitmap();
    for (int y = 0; y < image.height(); ++y)
        ASSERT_NE(pixel(image, 332 / 2 - 50, y), clRed) << y;
}

}  // namespace
}  // namespace quelvar::test
