#pragma once
// A picture of a run's two analysis graphs for reports and batch runs: the run
// graph above the model graph, each at twice the window's design size and
// drawn by the window's own graph code, with the colour key and both errors.
//
// It draws the state as it stands: run the model (and ComputeErrors) first.
// Text needs a QGuiApplication; the "offscreen" platform is enough.
#include "analysis/AnalysisGraphs.h"
#include "common/SharedState.h"

#include <QImage>
#include <QString>
#include <functional>

namespace quelvar {

inline constexpr int kPlotGraphWidth = 1272;
inline constexpr int kPlotRunGraphHeight = 272;
inline constexpr int kPlotModelGraphHeight = 306;

struct AnalysisPlotLayout {
    QRect runGraph;    // where the run graph's bitmap is placed
    QRect modelGraph;  // where the model graph's bitmap is placed
    QSize image;
};

AnalysisPlotLayout analysisPlotLayout();

// Resizes `graphs` to the plot's sizes, draws both graphs and composes the
// picture. `title` heads it (for example the data file's name). The
// experiment state's State is left as it was. A null image without a
// QGuiApplication.
QImage renderAnalysisPlot(SharedState& state, AnalysisGraphs& graphs, const QString& title = {});

// Renders with graphs of its own and writes a PNG, after `extend` (when
// given) has added to the picture. False, with the reason in `errorMessage`,
// when it cannot.
bool saveAnalysisPlot(const QString& pngPath, SharedState& state, const QString& title = {},
                      QString* errorMessage = nullptr,
                      const std::function<QImage(const QImage&)>& extend = {});

}  // namespace quelvar
