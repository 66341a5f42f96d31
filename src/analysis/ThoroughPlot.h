#pragma once
// What a plot shows of a thorough fit beside "Auto Fit": the model trace of
// the thorough fit's setting with its error, the delay profile (the best
// error for each delay) as a small chart, and with its uncertainty, the
// parameters' intervals.
#include "analysis/FitUncertainty.h"
#include "analysis/ThoroughFit.h"
#include "common/SharedState.h"

#include <QPainter>
#include <QRect>
#include <QRgb>
#include <optional>
#include <vector>

namespace quelvar {

// Fuchsia: apart from every colour of the two graphs.
inline constexpr QRgb kThoroughTraceColour = 0xFF00FF;

struct ThoroughPlotData {
    FrameArray modelTrace{};  // the model's mouse with the thorough fit's setting
    double modelRms = 0.0;
    std::vector<FitPoint> profile;
    SpinnerSetting best;
    std::optional<FitUncertainty> uncertainty;
};

// Runs the model with the result's best setting on the state's run; the state
// is not changed.
ThoroughPlotData thoroughPlotData(const SharedState& state, const ThoroughResult& result,
                                  const FitUncertainty* uncertainty = nullptr);

// The delay profile in `area`: the model % RMS error against the delay, on a
// scale from the least to the largest error, the best delay marked, and the
// delay's interval shaded when there is one.
void drawDelayProfile(QPainter& painter, const QRect& area, const ThoroughPlotData& data);

// The four parameters' intervals in `area`, a row each: how often the
// replicates refitted to each value, the interval shaded over it, the best
// value marked, and the numbers in model units.
void drawIntervals(QPainter& painter, const QRect& area, const FitUncertainty& uncertainty,
                   const SpinnerSetting& best);

}  // namespace quelvar
