#include "analysis/GraphPlot.h"
#include "support/ImageChecks.h"
#include "support/SyntheticRuns.h"
#include "support/TestFiles.h"

#include <QImageReader>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace quelvar {
namespace {

std::unique_ptr<SharedState> runningState()
{
    auto state = std::make_unique<SharedState>();
    state->run = *test::sineRun({350.0, 330.0, 90.0, 14});
    for (int i = 1; i <= kRunFrames; ++i)
        state->analysis.Results.ModelMouseTrace[i] = 335.0 * std::sin((i - 12) / 90.0);
    state->analysis.Results.ModelRmsError = 1.5;
    state->analysis.Results.TrackingRmsError = 4.25;
    return state;
}

// True when `region` of `picture` holds exactly the pixels of `bitmap`.
bool holds(const QImage& picture, const QRect& region, const QImage& bitmap)
{
    return picture.copy(region).convertToFormat(QImage::Format_RGB32)
           == bitmap.convertToFormat(QImage::Format_RGB32);
}

TEST(GraphPlot, PlacesBothGraphsAtTwiceTheirDesignSizeAsTheWindowDrawsThem)
{
    auto state = runningState();
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
}

TEST(GraphPlot, KeyAndErrorsAreDrawnBesideTheGraphs)
{
    auto state = runningState();
    AnalysisGraphs graphs(*state);
    const QImage plain = renderAnalysisPlot(*state, graphs);
    const QRect key(analysisPlotLayout().runGraph.right() + 2, 0,
                    plain.width() - analysisPlotLayout().runGraph.right() - 2, plain.height());
    for (QRgb colour : {clRed, clLime, clBlue, clBlack})
        EXPECT_TRUE(test::contains(plain.copy(key), colour)) << std::hex << colour;

    state->analysis.Results.ModelRmsError = 17.125;
    const QImage otherError = renderAnalysisPlot(*state, graphs);
    EXPECT_NE(plain.copy(key), otherError.copy(key)) << "the error text is part of the key";
}

TEST(GraphPlot, SavesAPngAndReportsAPathItCannotWrite)
{
    auto state = runningState();
    test::TempFolder folder;
    const QString path = folder.path("run1.png");
    ASSERT_TRUE(test::fileOk(saveAnalysisPlot(path, *state, QStringLiteral("run1.txt"))));
    QImageReader reader(path);
    EXPECT_EQ(reader.format(), "png");
    EXPECT_EQ(reader.size(), analysisPlotLayout().image);

    const FileResult missing = saveAnalysisPlot(folder.path("missing/dir/run1.png"), *state);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing->path, folder.path("missing/dir/run1.png"));
    EXPECT_FALSE(missing->reason.isEmpty());
}

}  // namespace
}  // namespace quelvar
