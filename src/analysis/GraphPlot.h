#pragma once
// A picture of a run's two analysis graphs for reports and batch runs: the run
// graph above the model graph, each at twice the window's design size and
// drawn by the window's own graph code, with the colour key and both errors.
//
// It draws the state as it stands: run the model (and ComputeErrors) first.
// Text needs a QGuiApplication; the "offscreen" platform is enough.
#include "analysis/AnalysisGraphs.h"
#include "analysis/ThoroughPlot.h"
#include "common/FileError.h"
#include "common/SharedState.h"

#include <QImage>
#include <QString>
#include <functional>

namespace quelvar {

inline constexpr int kPlotGraphWidth = 1272;
// A heading's band, and the text size throughout (Arial 13 px, doubled).
inline constexpr int kPlotTitleBand = 40;
inline constexpr int kPlotTextPixels = 26;
inline constexpr int kPlotRunGraphHeight = 272;
inline constexpr int kPlotModelGraphHeight = 306;

inline constexpr int kPlotDelayProfileWidth = 640;
inline constexpr int kPlotDelayProfileHeight = 260;

struct AnalysisPlotLayout {
    QRect runGraph;      // where the run graph's bitmap is placed
    QRect modelGraph;    // where the model graph's bitmap is placed
    QRect delayProfile;  // a thorough fit's delay profile, below the graphs; empty without one
    QRect intervals;     // its parameters' intervals, beside the profile; empty without them
    QSize image;
};

AnalysisPlotLayout analysisPlotLayout(bool withDelayProfile = false, bool withIntervals = false);

// Resizes `graphs` to the plot's sizes, draws both graphs and composes the
// picture. `title` heads it (for example the data file's name). With a
// thorough fit, its model trace joins the model graph (the key names both
// models) and its delay profile goes below, its intervals beside the
// profile when it has them. The experiment state's State is
// left as it was. A null image without a QGuiApplication.
QImage renderAnalysisPlot(SharedState& state, AnalysisGraphs& graphs, const QString& title = {},
                          const ThoroughPlotData* thorough = nullptr);

// Renders with graphs of its own and writes a PNG atomically, after `extend`
// (when given) has added to the picture.
FileResult saveAnalysisPlot(const QString& pngPath, SharedState& state, const QString& title = {},
                            const ThoroughPlotData* thorough = nullptr,
                            const std::function<QImage(const QImage&)>& extend = {});

}  // namespace quelvar
