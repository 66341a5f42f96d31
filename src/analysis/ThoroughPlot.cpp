#include "analysis/ThoroughPlot.h"

#include "analysis/ControlModel.h"
#include "common/DisplayText.h"

#include <algorithm>
#include <map>
#include <memory>

namespace quelvar {
namespace {

QString errorText(double value)
{
    const ShortText text = formatPrintfFixed(value, 3, 6);
    return QString::fromLatin1(text.data, text.size).trimmed();
}

// Behind an interval: light enough for the bars and lines drawn over it.
const QColor kIntervalShade(0xDD, 0xDD, 0xDD);
constexpr int kMostBars = 40;

void drawFrame(QPainter& painter, const QRect& area, const QString& title)
{
    painter.fillRect(area, QColor(clWhite));
    painter.setPen(QColor(clGray));
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(20);
    painter.setFont(font);
    painter.setPen(QColor(clBlack));
    painter.drawText(area.adjusted(12, 6, -12, 0), Qt::AlignLeft | Qt::AlignTop, title);
}

struct IntervalRow {
    const char* name;
    int SpinnerSetting::*field;
    double unit;  // one spinner position in model units
    int decimals;
};

constexpr IntervalRow kIntervalRows[] = {
    {"delay", &SpinnerSetting::delay, 1.0, 0},
    {"gain", &SpinnerSetting::gain, 0.1, 1},
    {"damping", &SpinnerSetting::damping, 0.001, 3},
    {"reference", &SpinnerSetting::reference, 1.0, 0},
};

// One parameter: a bar for every value the replicates refitted to, as high
// as how often, over the interval's shade, with the best value's line.
void drawIntervalRow(QPainter& painter, const QRect& row, const IntervalRow& what, const FitUncertainty& u,
                     const SpinnerSetting& best)
{
    const int bestValue = best.*what.field;
    const int lo = u.low.*what.field;
    const int hi = u.high.*what.field;
    int least = std::min(bestValue, lo);
    int most = std::max(bestValue, hi);
    for (const SpinnerSetting& s : u.replicates) {
        least = std::min(least, s.*what.field);
        most = std::max(most, s.*what.field);
    }
    // Room either side, so that an interval of one position reads as narrow.
    const int pad = std::max(2, (most - least) / 10);
    const int from = least - pad;
    const int positions = most + pad - from + 1;
    // Wide spreads are counted in bins of several positions, so that the
    // bars show the spread's shape rather than the luck of each position.
    const int bin = (positions + kMostBars - 1) / kMostBars;
    std::map<int, int> counts;
    for (const SpinnerSetting& s : u.replicates)
        ++counts[(s.*what.field - from) / bin];

    auto number = [&](int v) { return QString::number(v * what.unit, 'f', what.decimals); };
    painter.setPen(QColor(clBlack));
    painter.drawText(QRect(row.left(), row.top(), 110, row.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromLatin1(what.name));
    painter.drawText(QRect(row.right() - 200, row.top(), 200, row.height()), Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("%1  [%2, %3]").arg(number(bestValue), number(lo), number(hi)));

    const QRectF chart(row.left() + 110, row.top() + 4, row.width() - 110 - 216, row.height() - 8);
    const double step = chart.width() / positions;
    auto x = [&](int v) { return chart.left() + step * (v - from); };
    painter.fillRect(QRectF(x(lo), chart.top(), x(hi + 1) - x(lo), chart.height()), kIntervalShade);
    int mostOften = 1;
    for (const auto& entry : counts)
        mostOften = std::max(mostOften, entry.second);
    for (const auto& [index, count] : counts) {
        const double height = chart.height() * count / mostOften;
        painter.fillRect(QRectF(x(from + index * bin), chart.bottom() - height, std::max(step * bin, 1.0), height),
                         QColor(kThoroughTraceColour));
    }
    painter.setPen(QColor(clGray));
    painter.drawLine(QPointF(chart.left(), chart.bottom()), QPointF(chart.right(), chart.bottom()));
    painter.setPen(QPen(QColor(clRed), 2));
    const double mid = x(bestValue) + step / 2;
    painter.drawLine(QPointF(mid, chart.top()), QPointF(mid, chart.bottom()));
}

}  // namespace

ThoroughPlotData thoroughPlotData(const SharedState& state, const ThoroughResult& result,
                                  const FitUncertainty* uncertainty)
{
    ThoroughPlotData data;
    auto results = std::make_unique<ModelResults>();
    DelayLine delay;
    RunModel(parametersOf(result.best.at), state.analysis.ModelTimeStep, state.run, delay, *results);
    ComputeErrors(*results);
    data.modelTrace = results->ModelMouseTrace;
    data.modelRms = results->ModelRmsError;
    data.profile = result.profile;
    data.best = result.best.at;
    if (uncertainty)
        data.uncertainty = *uncertainty;
    return data;
}

void drawDelayProfile(QPainter& painter, const QRect& area, const ThoroughPlotData& data)
{
    painter.save();
    drawFrame(painter, area, QStringLiteral("Delay profile: least Model % RMS Error for each delay"));

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

    if (data.uncertainty && count > 1) {
        const double step = plot.width() / static_cast<double>(count - 1);
        const double from = pointAt(0).x() + step * (data.uncertainty->low.delay - data.profile.front().at.delay - 0.5);
        const double to = pointAt(0).x() + step * (data.uncertainty->high.delay - data.profile.front().at.delay + 0.5);
        painter.fillRect(QRectF(std::max<double>(from, plot.left()), plot.top(),
                                std::min<double>(to, plot.right()) - std::max<double>(from, plot.left()), plot.height()),
                         kIntervalShade);
    }
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

namespace quelvar {

void drawIntervals(QPainter& painter, const QRect& area, const FitUncertainty& uncertainty,
                   const SpinnerSetting& best)
{
    painter.save();
    drawFrame(painter, area,
              QStringLiteral("95 % intervals from %1 replicates; holdout % RMS Error %2")
                  .arg(uncertainty.replicates.size())
                  .arg(errorText(uncertainty.holdoutRms)));
    const int rows = static_cast<int>(std::size(kIntervalRows));
    const int top = area.top() + 40;
    const int height = (area.bottom() - 8 - top) / rows;
    for (int n = 0; n < rows; ++n)
        drawIntervalRow(painter, QRect(area.left() + 12, top + n * height, area.width() - 24, height),
                        kIntervalRows[n], uncertainty, best);
    painter.restore();
}

}  // namespace quelvar
