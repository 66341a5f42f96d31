#pragma once
// The analysis window's two graphs, drawn into off-screen bitmaps: the run
// graph (target, mouse, tracking error) and the model graph (mouse, model
// mouse, their difference).
//
// Traces are rasterised straight into the bitmaps' pixels rather than through
// a QPainter: a painter allocates when it is made, and the graphs are redrawn
// on every frame, where nothing may allocate. Each line covers its start pixel
// and stops short of its end pixel, so a trace of joined segments colours every
// point once.
#include "common/SharedState.h"

#include <QImage>
#include <QRgb>
#include <array>
#include <cstdint>

namespace quelvar {

// Where a finished bitmap goes (the window's paint boxes).
class GraphPresenter {
public:
    virtual ~GraphPresenter() = default;
    virtual void showRunGraph(const QImage& bitmap) = 0;
    virtual void showModelGraph(const QImage& bitmap) = 0;
};

// Column of frame `frame` (1 ... 3600) in a graph `width` pixels wide.
inline int graphFrameX(int width, int frame)
{
    return (width * frame) / kRunFrames;
}

// Row of `value` in a graph `height` pixels high that spans `scale` position
// units; positive values lie above the zero line. Saturates rather than
// overflowing for values far outside the graph.
std::int64_t graphValueY(int height, double value, double scale);

class AnalysisGraphs {
public:
    explicit AnalysisGraphs(SharedState& state);

    void setPresenter(GraphPresenter* presenter) { presenter_ = presenter; }

    // RunGraphBitmap is sized once, at window creation; ModelGraphBitmap at
    // every paint of the window, which only reallocates when the size changes.
    void setRunGraphSize(int width, int height);
    void setModelGraphSize(int width, int height);

    // Draws target, mouse and error (magnified when ErrorMagnified) at
    // DisplayScale x 1.2, hands the bitmap to the presenter and sets State to
    // AnalysisLive.
    void DrawRunGraph();
    // Draws mouse, model mouse and their difference (participant minus model).
    void DrawModelGraph(double scale);

    // One trace of the frame values values[1] ... values[3600]: 3601 points,
    // the first at x = 0 and the last at x = width, one beyond the last column.
    void DrawTrace(QRgb colour, const FrameArray& values, QImage& bitmap, double scale);

    const QImage& runGraphBitmap() const { return runGraph_; }
    const QImage& modelGraphBitmap() const { return modelGraph_; }

private:
    void clearWithZeroLine(QImage& bitmap);

    SharedState& state_;
    GraphPresenter* presenter_ = nullptr;
    QImage runGraph_;
    QImage modelGraph_;
    FrameArray modelDifference_{};  // the model graph's error trace
    // The rows of the trace being drawn, frames 1 ... 3600, within +-2^30 + height.
    std::array<std::int32_t, kRunFrames + 1> rows_{};
};

}  // namespace quelvar
