#include "analysis/AnalysisGraphs.h"
#include "analysis/GraphPlot.h"
#include "support/AllocationCounter.h"
#include "support/ImageChecks.h"
#include "support/SyntheticRuns.h"
#include "support/TestFiles.h"

#include <QImageReader>
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <set>
#include <tuple>
#include <utility>

namespace quelvar {
namespace {

using test::contains;
using test::pixel;

constexpr QRgb kWhite = 0xFFFFFF;

// Columns in which `row` carries `colour`.
std::set<int> columnsWith(const QImage& image, int row, QRgb colour)
{
    std::set<int> columns;
    for (int x = 0; x < image.width(); ++x)
        if (pixel(image, x, row) == colour)
            columns.insert(x);
    return columns;
}

// Each listed row carries its colour in every column.
void expectRows(const QImage& image, std::initializer_list<std::pair<int, QRgb>> rows)
{
    for (const auto& [row, colour] : rows)
        EXPECT_EQ(static_cast<int>(columnsWith(image, row, colour).size()), image.width())
            << "row " << row << ", colour " << std::hex << colour;
}

FrameArray constant(double value)
{
    FrameArray values;
    values.fill(value);
    return values;
}

class CountingPresenter : public GraphPresenter {
public:
    int runCopies = 0, modelCopies = 0;
    const QImage* lastRun = nullptr;
    void showRunGraph(const QImage& bitmap) override
    {
        ++runCopies;
        lastRun = &bitmap;
    }
    void showModelGraph(const QImage&) override { ++modelCopies; }
};

class AnalysisGraphsTest : public ::testing::Test {
protected:
    AnalysisGraphsTest()
    {
        state->experiment.DisplayScale = 1200;
        graphs.setRunGraphSize(636, 136);
        graphs.setModelGraphSize(636, 153);
    }

    // `values` drawn alone on a white bitmap the run graph's size.
    QImage drawn(const FrameArray& values, QRgb colour = clBlack)
    {
        QImage image(636, 136, QImage::Format_RGB32);
        image.fill(0xFFFFFFFFu);
        graphs.DrawTrace(colour, values, image, 1440.0);
        return image;
    }

    std::unique_ptr<SharedState> state = std::make_unique<SharedState>();
    AnalysisGraphs graphs{*state};
};

TEST(GraphCoordinates, RowsRoundHalvesToEvenLieAboveTheZeroLineForPositiveValuesAndSaturate)
{
    EXPECT_EQ(graphValueY(136, 0.0, 1440.0), 68);
    EXPECT_EQ(graphValueY(136, 500.0, 1440.0), 68 - 47);
    EXPECT_EQ(graphValueY(136, -500.0, 1440.0), 68 + 47);
    EXPECT_EQ(graphValueY(153, 500.0, 1200.0), 76 - 64);  // 63.75 rounds up
    EXPECT_EQ(graphValueY(2, 1.0, 4.0), 1);               // 0.5 rounds to 0
    EXPECT_EQ(graphValueY(2, 3.0, 4.0), 1 - 2);           // 1.5 rounds to 2
    EXPECT_EQ(graphValueY(2, 5.0, 4.0), 1 - 2);           // 2.5 rounds to 2
    // Values far off the graph saturate instead of overflowing.
    EXPECT_LT(graphValueY(136, 1e300, 1440.0), -1000000);
    EXPECT_GT(graphValueY(136, -1e300, 1440.0), 1000000);
    EXPECT_LT(graphValueY(136, std::numeric_limits<double>::infinity(), 1440.0), -1000000);
    EXPECT_EQ(graphValueY(136, std::nan(""), 1440.0), 68);
}

TEST_F(AnalysisGraphsTest, RunGraphPlacesValuesByItsHeightAndTheDisplayScale)
{
    state->run.Target = constant(500.0);
    state->run.Mouse = constant(-500.0);
    state->run.Error = constant(100.0);
    graphs.DrawRunGraph();
    const QImage& bitmap = graphs.runGraphBitmap();
    ASSERT_EQ(bitmap.size(), QSize(636, 136));
    expectRows(bitmap, {{68 - 47, clRed}, {68 + 47, clLime}, {68 - 9, clBlack}});
    expectRows(bitmap, {{68, clGray}, {68 - 48, kWhite}, {68 - 46, kWhite}});

    state->experiment.DisplayScale = 1000;  // scale 1200: 136 x 500 / 1200 = 56.67
    graphs.DrawRunGraph();
    expectRows(graphs.runGraphBitmap(), {{68 - 57, clRed}});
    // Each redraw starts from a white bitmap.
    state->run.Target = constant(-300.0);
    graphs.DrawRunGraph();
    expectRows(graphs.runGraphBitmap(), {{68 - 57, kWhite}});
}

TEST_F(AnalysisGraphsTest, MagnifiedRunErrorReplacesTheErrorTrace)
{
    state->run.Error = constant(100.0);
    ComputeMagnifiedRunError(state->run);
    state->analysis.ErrorMagnified = true;
    graphs.DrawRunGraph();
    expectRows(graphs.runGraphBitmap(), {{68 - 47, clBlack}, {68 - 9, kWhite}});

    state->analysis.ErrorMagnified = false;
    graphs.DrawRunGraph();
    expectRows(graphs.runGraphBitmap(), {{68 - 9, clBlack}, {68 - 47, kWhite}});
}

TEST_F(AnalysisGraphsTest, ModelGraphUsesTheScaleItIsGivenAndDrawsParticipantMinusModel)
{
    state->run.Mouse = constant(500.0);
    state->analysis.Results.ModelMouseTrace = constant(400.0);
    state->experiment.DisplayScale = 1000;  // must not matter here
    graphs.DrawModelGraph(1200.0);
    const QImage& bitmap = graphs.modelGraphBitmap();
    ASSERT_EQ(bitmap.size(), QSize(636, 153));
    // 153 x 400 / 1200 = 51; the difference, +100, at 12.75 rounds to 13.
    expectRows(bitmap, {{76 - 64, clLime}, {76 - 51, clBlue}, {76 - 13, clBlack}});

    state->analysis.ErrorMagnified = true;
    graphs.DrawModelGraph(1200.0);
    expectRows(bitmap, {{76 - 64, clBlack}, {76 - 13, kWhite}});  // 5 x 100 lies over the mouse
}

// Frames map to columns by truncating division: one to five share column 0.
TEST_F(AnalysisGraphsTest, FramesMapToColumnsAndTheLastLiesBeyondTheBitmap)
{
    const std::tuple<int, int, std::set<int>> cases[] = {
        {1, 0, {0}}, {3, 0, {0}}, {5, 0, {0}}, {6, 1, {1}}, {3599, 635, {635}}, {3600, 636, {}}};
    QImage bitmap;
    for (const auto& [frame, x, columns] : cases) {
        EXPECT_EQ(graphFrameX(636, frame), x);
        FrameArray values = constant(0.0);
        values[frame] = 500.0;
        bitmap = drawn(values);
        EXPECT_EQ(columnsWith(bitmap, 68 - 47, clBlack), columns) << "frame " << frame;
    }
    // Of the last frame only the rise towards x = 636 is visible, in the last column.
    EXPECT_EQ(pixel(bitmap, 635, 68 - 10), clBlack);
    EXPECT_EQ(pixel(bitmap, 634, 68 - 10), kWhite);
}

TEST_F(AnalysisGraphsTest, LaterTracesCoverEarlierOnesInBothGraphs)
{
    // Mouse on the target: lime covers red, and the error lies on the zero line.
    state->run.Target = constant(200.0);
    state->run.Mouse = constant(200.0);
    state->run.Error = constant(0.0);
    graphs.DrawRunGraph();
    EXPECT_FALSE(contains(graphs.runGraphBitmap(), clRed));
    EXPECT_FALSE(contains(graphs.runGraphBitmap(), clGray));
    expectRows(graphs.runGraphBitmap(), {{68, clBlack}});
    EXPECT_TRUE(contains(graphs.runGraphBitmap(), clLime));

    // A perfect model: blue covers lime.
    state->analysis.Results.ModelMouseTrace = constant(200.0);
    graphs.DrawModelGraph(1200.0);
    EXPECT_FALSE(contains(graphs.modelGraphBitmap(), clLime));
    EXPECT_FALSE(contains(graphs.modelGraphBitmap(), clGray));
    EXPECT_TRUE(contains(graphs.modelGraphBitmap(), clBlue));
}

TEST_F(AnalysisGraphsTest, TracesFarBeyondTheGraphAreClippedAtItsEdges)
{
    FrameArray values;
    for (int i = 1; i <= kRunFrames; ++i)
        values[i] = (i % 2 == 0) ? 1e300 : -std::numeric_limits<double>::infinity();
    values[7] = std::nan("");
    const QImage bitmap = drawn(values, clBlue);
    EXPECT_EQ(pixel(bitmap, 300, 0), clBlue);
    EXPECT_EQ(pixel(bitmap, 300, 135), clBlue);
}

// And a frame of both graphs after the first allocates nothing.
TEST_F(AnalysisGraphsTest, DrawingHandsEachBitmapToThePresenterAndMarksTheAnalysisState)
{
    CountingPresenter presenter;
    graphs.setPresenter(&presenter);
    state->experiment.State = Blank;
    state->run = *test::sineRun({400.0, 380.0, 50.0, 12});
    state->analysis.Results.ModelMouseTrace = test::sineRun({0.0, 390.0, 50.0, 10})->Mouse;
    graphs.DrawRunGraph();  // first draw may touch lazily made state
    graphs.DrawModelGraph(1200.0);
    EXPECT_EQ((std::array{presenter.runCopies, presenter.modelCopies}), (std::array{1, 1}));
    EXPECT_EQ(presenter.lastRun, &graphs.runGraphBitmap());
    EXPECT_EQ(state->experiment.State, AnalysisLive);
    test::AllocationCounter counter;
    graphs.DrawRunGraph();
    graphs.DrawModelGraph(1200.0);
    EXPECT_EQ(counter.count(), 0u);
}

TEST_F(AnalysisGraphsTest, BitmapsAreMadeAtTheFirstSizeAndTheModelGraphsRemadeOnlyWhenItChanges)
{
    const uchar* before = graphs.modelGraphBitmap().constBits();
    graphs.setModelGraphSize(636, 153);
    EXPECT_EQ(graphs.modelGraphBitmap().constBits(), before);
    graphs.setModelGraphSize(640, 160);
    EXPECT_EQ(graphs.modelGraphBitmap().size(), QSize(640, 160));

    // Drawing before the first paint gave them a size leaves them empty.
    SharedState unsizedState;
    AnalysisGraphs unsized(unsizedState);
    unsized.DrawModelGraph(1200.0);
    unsized.DrawRunGraph();
    EXPECT_TRUE(unsized.modelGraphBitmap().isNull());
    EXPECT_TRUE(unsized.runGraphBitmap().isNull());
}

// The analysis plot: both graphs, the key and the errors in one picture.
// True when `region` of `picture` holds exactly the pixels of `bitmap`.
bool holds(const QImage& picture, const QRect& region, const QImage& bitmap)
{
    return picture.copy(region).convertToFormat(QImage::Format_RGB32)
           == bitmap.convertToFormat(QImage::Format_RGB32);
}

TEST(GraphPlot, KeyAndErrorsAreDrawnBesideBothGraphsPlacedAsTheWindowDrawsThemAndSaved)
{
    auto state = std::make_unique<SharedState>();
    state->run = *test::sineRun({350.0, 330.0, 90.0, 14});
    state->analysis.Results.ModelMouseTrace = test::sineRun({0.0, 335.0, 90.0, 12})->Mouse;
    state->analysis.Results.ModelRmsError = 1.5;
    state->analysis.Results.TrackingRmsError = 4.25;
    state->experiment.State = Blank;
    AnalysisGraphs graphs(*state);
    const QImage picture = renderAnalysisPlot(*state, graphs, QStringLiteral("run1.txt"));
    const AnalysisPlotLayout layout = analysisPlotLayout();
    ASSERT_EQ(picture.size(), layout.image);
    EXPECT_EQ(layout.runGraph.size(), QSize(1272, 272));
    EXPECT_EQ(layout.modelGraph.size(), QSize(1272, 306));
    EXPECT_LT(layout.runGraph.bottom(), layout.modelGraph.top());

    EXPECT_TRUE(holds(picture, layout.runGraph, graphs.runGraphBitmap()));
    EXPECT_TRUE(holds(picture, layout.modelGraph, graphs.modelGraphBitmap()));
    EXPECT_EQ(state->experiment.State, Blank) << "a picture leaves the controller alone";

    // Saved as a PNG; a path that cannot be written is reported.
    test::TempFolder folder;
    const QString path = folder.path("run1.png");
    ASSERT_TRUE(test::fileOk(saveAnalysisPlot(path, *state, QStringLiteral("run1.txt"))));
    QImageReader reader(path);
    EXPECT_EQ(reader.format(), "png");
    EXPECT_EQ(reader.size(), layout.image);
    const FileResult missing = saveAnalysisPlot(folder.path("missing/dir/run1.png"), *state);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing->path, folder.path("missing/dir/run1.png"));
    EXPECT_FALSE(missing->reason.isEmpty());

    const QImage plain = renderAnalysisPlot(*state, graphs);
    const QRect key(QPoint(layout.runGraph.right() + 2, 0), plain.rect().bottomRight());
    for (QRgb colour : {clRed, clLime, clBlue, clBlack})
        EXPECT_TRUE(contains(plain.copy(key), colour)) << std::hex << colour;

    state->analysis.Results.ModelRmsError = 17.125;
    const QImage otherError = renderAnalysisPlot(*state, graphs);
    EXPECT_NE(plain.copy(key), otherError.copy(key)) << "the error text is part of the key";
}

}  // namespace
}  // namespace quelvar
