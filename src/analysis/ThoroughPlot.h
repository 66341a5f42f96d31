#pragma once
// What a plot shows of a thorough fit beside "Auto Fit": the model trace of
// the thorough fit's setting with its error, and the delay profile (the best
// error for each delay) as a small chart.
#include "analysis/ThoroughFit.h"
#include "common/SharedState.h"

#include <QPainter>
#include <QRect>
#include <QRgb>
#include <vector>

namespace quelvar {

// Fuchsia: apart from every colour of the two graphs.
inline constexpr QRgb kThoroughTraceColour = 0xFF00FF;

struct ThoroughPlotData {
    FrameArray modelTrace{};  // the model's mouse with the thorough fit's setting
    double modelRms = 0.0;
    std::vector<FitPoint> profile;
};

// Runs the model with the result's best setting on the state's run; the state
// is not changed.
ThoroughPlotData thoroughPlotData(const SharedState& state, const ThoroughResult& result);

// The delay profile in `area`: the model % RMS error against the delay, on a
// scale from the least to the largest error, the best delay marked.
void drawDelayProfile(QPainter& painter, const QRect& area, const ThoroughPlotData& data);

}  // namespace quelvar
