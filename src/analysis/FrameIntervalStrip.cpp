#include "analysis/FrameIntervalStrip.h"

#include "analysis/GraphPlot.h"
#include "common/ExperimentState.h"

#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>

namespace quelvar {
namespace {

constexpr int kStripHeight = 160;
constexpr int kBottomMargin = 16;
constexpr int kLateMarkHeight = 8;
constexpr double kNominalMs = 1000.0 / kFramesPerSecond;
constexpr double kThresholdMs = 1000.0 / kLateThresholdPerSecond;

}  // namespace

FrameIntervalStripLayout frameIntervalStripLayout(QSize plotSize)
{
    const QRect graphs = analysisPlotLayout().runGraph;
    const int width = std::min(graphs.width(), plotSize.width() - 2 * graphs.left());
    FrameIntervalStripLayout layout;
    layout.strip = QRect(graphs.left(), plotSize.height() + kPlotTitleBand, std::max(width, 1), kStripHeight);
    layout.image = QSize(plotSize.width(), layout.strip.bottom() + 1 + kBottomMargin);
    return layout;
}

QImage withFrameIntervalStrip(const QImage& plot, const FrameTimingRows& rows)
{
    const FrameIntervalStripLayout layout = frameIntervalStripLayout(plot.size());
    QImage image(layout.image, QImage::Format_RGB32);
    image.fill(QColor(clMoneyGreen));
    QPainter painter(&image);
    painter.drawImage(0, 0, plot);

    const QRect& strip = layout.strip;
    const auto rowOf = [&](double ms) {
        const double height = std::clamp(ms / kFrameIntervalStripRangeMs, 0.0, 1.0) * (strip.height() - 1);
        return strip.bottom() - int(std::lround(height));
    };

    // Several frames share a column: it shows the longest, and is late when
    // any of them was, so a single late frame is never hidden.
    std::array<double, kRunFrames> longest{};
    std::array<bool, kRunFrames> late{};
    const int columns = strip.width();
    for (int i = 1; i <= kRunFrames; ++i) {
        const auto x = std::size_t((i - 1) * std::int64_t(columns) / kRunFrames);
        longest[x] = std::max(longest[x], rows.intervalMs[std::size_t(i)]);
        late[x] = late[x] || rows.late[std::size_t(i)];
    }

    painter.fillRect(strip, QColor(clWhite));
    int lateFrames = 0;
    double longestMs = 0.0;
    for (int i = 1; i <= kRunFrames; ++i) {
        lateFrames += rows.late[std::size_t(i)] ? 1 : 0;
        longestMs = std::max(longestMs, rows.intervalMs[std::size_t(i)]);
    }
    // Grey bars leave the two reference lines visible across them.
    for (int x = 0; x < columns; ++x) {
        const QColor colour(late[std::size_t(x)] ? clRed : clGray);
        painter.setPen(colour);
        painter.drawLine(strip.left() + x, strip.bottom(), strip.left() + x, rowOf(longest[std::size_t(x)]));
        if (late[std::size_t(x)])
            painter.fillRect(strip.left() + x - 1, strip.top(), 3, kLateMarkHeight, colour);
    }
    painter.setPen(QPen(QColor(clBlue), 1, Qt::DashLine));
    painter.drawLine(strip.left(), rowOf(kNominalMs), strip.right(), rowOf(kNominalMs));
    painter.setPen(QPen(QColor(clRed), 1, Qt::DashLine));
    painter.drawLine(strip.left(), rowOf(kThresholdMs), strip.right(), rowOf(kThresholdMs));
    painter.setPen(QColor(clGray));
    painter.drawRect(strip.adjusted(-1, -1, 0, 0));

    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(kPlotTextPixels);
    painter.setFont(font);
    painter.setPen(QColor(clBlack));
    const QString caption =
        QStringLiteral("Frame intervals, 0 to %1 ms (blue: %2 ms, red: late above %3 ms): "
                       "%4 late frame%5, longest %6 ms")
            .arg(kFrameIntervalStripRangeMs, 0, 'f', 0)
            .arg(kNominalMs, 0, 'f', 3)
            .arg(kThresholdMs, 0, 'f', 0)
            .arg(lateFrames)
            .arg(lateFrames == 1 ? QString() : QStringLiteral("s"))
            .arg(longestMs, 0, 'f', 1);
    painter.drawText(QRect(strip.left(), plot.height(), image.width() - strip.left(), kPlotTitleBand - 8),
                     Qt::AlignLeft | Qt::AlignVCenter, caption);
    painter.end();
    return image;
}

}  // namespace quelvar
