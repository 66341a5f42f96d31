#pragma once
// The analysis window's two graphs, drawn into off-screen bitmaps: the run
// graph (target, mouse, tracking error) and the model graph (mouse, model
// mouse, their difference).
#include "common/SharedState.h"

#include <QImage>
#include <QRgb>

namespace quelvar {

// Where a finished bitmap goes (the window's paint boxes).
class GraphPresenter {
public:
    virtual ~GraphPresenter() = default;
    virtual void showRunGraph(const QImage& bitmap) = 0;
    virtual void showModelGraph(const QImage& bitmap) = 0;
};

class AnalysisGraphs {
public:
    explicit AnalysisGraphs(SharedState& state);

    void setPresenter(GraphPresenter* presenter) { presenter_ = presenter; }

    // RunGraphBitmap is sized once, at window creation; ModelGraphBitmap at
    // every paint of the window.
    void setRunGraphSize(int width, int height);
    void setModelGraphSize(int width, int height);

    void DrawRunGraph();
    void DrawModelGraph(double scale);

    // One trace of 3600 frame values (frames 1 ... 3600 of `values`).
    void DrawTrace(QRgb colour, const double* values, QImage& bitmap, double scale);

    const QImage& runGraphBitmap() const { return runGraph_; }
    const QImage& modelGraphBitmap() const { return modelGraph_; }

private:
    SharedState& state_;
    GraphPresenter* presenter_ = nullptr;
    QImage runGraph_;
    QImage modelGraph_;
};

}  // namespace quelvar
