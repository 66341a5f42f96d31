#pragma once
// A strip under the analysis plot that shows how long each frame of the run
// lasted, with the nominal period and the late threshold as lines and the
// late frames in red, so a compromised run is seen at a glance.
// Text needs a QGuiApplication; the "offscreen" platform is enough.
#include "datafiles/FrameTimingFile.h"

#include <QImage>
#include <QRect>

namespace quelvar {

struct FrameIntervalStripLayout {
    QRect strip;  // the interval chart within the extended picture
    QSize image;
};

// Where the strip goes below a plot of `plotSize`.
FrameIntervalStripLayout frameIntervalStripLayout(QSize plotSize);

// The chart's full height, the same for every run so that strips compare at
// a glance; longer intervals are cut at the top.
inline constexpr double kFrameIntervalStripRangeMs = 50.0;

// `plot` with the strip of `rows` added below it.
QImage withFrameIntervalStrip(const QImage& plot, const FrameTimingRows& rows);

}  // namespace quelvar
