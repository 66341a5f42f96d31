#include "analysis/ThoroughPlot.h"

#include "analysis/ControlModel.h"
#include "common/DisplayText.h"

#include <algorithm>
#include <memory>

namespace quelvar {
namespace {

QString errorText(double value)
{
    const ShortText text = formatPrintfFixed(value, 3, 6);
    return QString::fromLatin1(text.data, text.size).trimmed();
}

}  // namespace

ThoroughPlotData thoroughPlotData(const SharedState& state, const ThoroughResult& result)
{
    ThoroughPlotData data;
    auto results = std::make_unique<ModelResults>();
    DelayLine delay;
    RunModel(parametersOf(result.best.at), state.analysis.ModelTimeStep, state.run, delay, *results);
    ComputeErrors(*results);
    data.modelTrace = results->ModelMouseTrace;
    data.modelRms = results->ModelRmsError;
    data.profile = result.profile;
    return data;
}

void drawDelayProfile(QPainter& painter, const QRect& area, const ThoroughPlotData& data)
{
    painter.save();
    painter.fillRect(area, QColor(clWhite));
    painter.setPen(QColor(clGray));
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(20);
    painter.setFont(font);
    painter.setPen(QColor(clBlack));
    painter.drawText(area.adjusted(12, 6, -12, 0), Qt::AlignLeft | Qt::AlignTop,
                     QStringLiteral("Delay profile: least Model % RMS Error for each delay"));

    if (data.profile.empty()) {
        painter.restore();
        return;
    }
    // Plot area inside margins for the axis labels.
    const QRect plot = area.adjusted(90, 40, -20, -50);
    double lo = data.profile.front().modelRms;
    double hi = lo;
    std::size_t best = 0;
    for (std::size_t k = 0; k < data.profile.size(); ++k) {
        lo = std::min(lo, data.profile[k].modelRms);
        hi = std::max(hi, data.profile[k].modelRms);
        if (better(data.profile[k], data.profile[best]))
            best = k;
    }
    const double span = hi > lo ? hi - lo : 1.0;
    const int count = static_cast<int>(data.profile.size());
    auto pointAt = [&](std::size_t k) {
        const double x = plot.left() + (count > 1 ? plot.width() * static_cast<double>(k) / (count - 1) : plot.width() / 2.0);
        const double y = plot.bottom() - plot.height() * (data.profile[k].modelRms - lo) / span;
        return QPointF(x, y);
    };

    painter.setPen(QColor(clGray));
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.drawLine(plot.bottomLeft(), plot.topLeft());
    painter.setPen(QColor(clBlack));
    painter.drawText(QRect(area.left() + 4, plot.top() - 12, 80, 24), Qt::AlignRight | Qt::AlignVCenter,
                     errorText(hi));
    painter.drawText(QRect(area.left() + 4, plot.bottom() - 12, 80, 24), Qt::AlignRight | Qt::AlignVCenter,
                     errorText(lo));
    const int labelEvery = count > 9 ? 2 : 1;
    for (int k = 0; k < count; k += labelEvery) {
        const QPointF p = pointAt(static_cast<std::size_t>(k));
        painter.drawText(QRectF(p.x() - 20, plot.bottom() + 4, 40, 22), Qt::AlignHCenter | Qt::AlignTop,
                         QString::number(data.profile[static_cast<std::size_t>(k)].at.delay));
    }
    painter.drawText(QRect(plot.left(), plot.bottom() + 24, plot.width(), 24), Qt::AlignHCenter | Qt::AlignTop,
                     QStringLiteral("delay (frames)"));

    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(QColor(kThoroughTraceColour), 2));
    for (std::size_t k = 1; k < data.profile.size(); ++k)
        painter.drawLine(pointAt(k - 1), pointAt(k));
    painter.setBrush(QColor(kThoroughTraceColour));
    for (std::size_t k = 0; k < data.profile.size(); ++k)
        painter.drawEllipse(pointAt(k), 4, 4);
    painter.setPen(QPen(QColor(clRed), 2));
    painter.setBrush(QColor(clRed));
    painter.drawEllipse(pointAt(best), 7, 7);
    painter.restore();
}

}  // namespace quelvar
