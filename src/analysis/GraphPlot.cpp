#include "analysis/GraphPlot.h"

#include "common/DisplayText.h"
#include "datafiles/FileSink.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <initializer_list>

namespace quelvar {
namespace {

constexpr int kMargin = 16;
constexpr int kGap = 24;
constexpr int kKeyWidth = 400;
constexpr int kSquare = 34;      // the key's squares at twice their size
constexpr int kRowPitch = 50;

QString errorText(double value)
{
    const ShortText text = formatPrintfFixed(value, 3, 6);
    return QString::fromLatin1(text.data, text.size);
}

struct KeyRow {
    QRgb colour;
    QString label;
};

// Squares and labels from `top`, then the error lines below them.
void drawKey(QPainter& painter, int left, int top, std::initializer_list<KeyRow> rows,
             std::initializer_list<QString> errorLines)
{
    int y = top;
    for (const KeyRow& row : rows) {
        painter.fillRect(left, y, kSquare, kSquare, QColor(row.colour));
        painter.setPen(QColor(clBlack));
        painter.drawRect(left, y, kSquare - 1, kSquare - 1);
        painter.drawText(QRect(left + kSquare + 16, y, kKeyWidth - kSquare - 16, kSquare),
                         Qt::AlignLeft | Qt::AlignVCenter, row.label);
        y += kRowPitch;
    }
    for (const QString& line : errorLines) {
        painter.drawText(QRect(left, y, kKeyWidth, kSquare), Qt::AlignLeft | Qt::AlignVCenter, line);
        y += kRowPitch;
    }
}

}  // namespace

AnalysisPlotLayout analysisPlotLayout(bool withDelayProfile, bool withIntervals)
{
    AnalysisPlotLayout layout;
    layout.runGraph = QRect(kMargin, kMargin + kPlotTitleBand, kPlotGraphWidth, kPlotRunGraphHeight);
    layout.modelGraph = QRect(kMargin, layout.runGraph.bottom() + 1 + kGap, kPlotGraphWidth,
                              kPlotModelGraphHeight);
    int bottom = layout.modelGraph.bottom() + 1;
    if (withDelayProfile) {
        layout.delayProfile = QRect(kMargin, bottom + kGap, kPlotDelayProfileWidth, kPlotDelayProfileHeight);
        bottom = layout.delayProfile.bottom() + 1;
        if (withIntervals) {
            const int left = layout.delayProfile.right() + 1 + kGap;
            layout.intervals = QRect(left, layout.delayProfile.top(), kMargin + kPlotGraphWidth - left,
                                     kPlotDelayProfileHeight);
        }
    }
    layout.image = QSize(kMargin + kPlotGraphWidth + kGap + kKeyWidth + kMargin, bottom + kMargin);
    return layout;
}

QImage renderAnalysisPlot(SharedState& state, AnalysisGraphs& graphs, const QString& title,
                          const ThoroughPlotData* thorough)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return {};

    graphs.setRunGraphSize(kPlotGraphWidth, kPlotRunGraphHeight);
    graphs.setModelGraphSize(kPlotGraphWidth, kPlotModelGraphHeight);
    // DrawRunGraph sets the controller's state, which a picture must not touch.
    const std::int32_t controllerState = state.experiment.State;
    graphs.DrawRunGraph();
    graphs.DrawModelGraph(1200.0);
    state.experiment.State = controllerState;

    const AnalysisPlotLayout layout =
        analysisPlotLayout(thorough != nullptr, thorough != nullptr && thorough->uncertainty.has_value());
    QImage modelGraph = graphs.modelGraphBitmap();
    if (thorough)
        graphs.DrawTrace(kThoroughTraceColour, thorough->modelTrace, modelGraph, 1200.0);
    QImage image(layout.image, QImage::Format_RGB32);
    image.fill(QColor(clMoneyGreen));
    QPainter painter(&image);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(kPlotTextPixels);
    painter.setFont(font);

    painter.setPen(QColor(clBlack));
    painter.drawText(QRect(kMargin, kMargin, layout.image.width() - 2 * kMargin, kPlotTitleBand - 8),
                     Qt::AlignLeft | Qt::AlignVCenter, title);

    painter.drawImage(layout.runGraph.topLeft(), graphs.runGraphBitmap());
    painter.drawImage(layout.modelGraph.topLeft(), modelGraph);
    painter.setPen(QColor(clGray));
    painter.drawRect(layout.runGraph.adjusted(-1, -1, 0, 0));
    painter.drawRect(layout.modelGraph.adjusted(-1, -1, 0, 0));

    const QString error = state.analysis.ErrorMagnified ? QStringLiteral("Error X 5")
                                                        : QStringLiteral("Error");
    const ModelResults& results = state.analysis.Results;
    const int keyLeft = layout.runGraph.right() + 1 + kGap;
    drawKey(painter, keyLeft, layout.runGraph.top(),
            {{clRed, QStringLiteral("Target")}, {clLime, QStringLiteral("Mouse")}, {clBlack, error}},
            {QStringLiteral("Tracking % RMS Error ") + errorText(results.TrackingRmsError)});
    const QString modelError = QStringLiteral("Model % RMS Error ") + errorText(results.ModelRmsError);
    if (thorough) {
        drawKey(painter, keyLeft, layout.modelGraph.top(),
                {{clBlue, QStringLiteral("Mouse Model (Auto Fit)")},
                 {kThoroughTraceColour, QStringLiteral("Mouse Model (thorough)")},
                 {clLime, QStringLiteral("Mouse")},
                 {clBlack, error}},
                {modelError, QStringLiteral("Thorough % RMS Error ") + errorText(thorough->modelRms)});
        drawDelayProfile(painter, layout.delayProfile, *thorough);
        if (thorough->uncertainty)
            drawIntervals(painter, layout.intervals, *thorough->uncertainty, thorough->best);
    } else {
        drawKey(painter, keyLeft, layout.modelGraph.top(),
                {{clBlue, QStringLiteral("Mouse Model")}, {clLime, QStringLiteral("Mouse")}, {clBlack, error}},
                {modelError});
    }
    painter.end();
    return image;
}

FileResult saveAnalysisPlot(const QString& pngPath, SharedState& state, const QString& title,
                            const ThoroughPlotData* thorough, const std::function<QImage(const QImage&)>& extend)
{
    AnalysisGraphs graphs(state);
    QImage image = renderAnalysisPlot(state, graphs, title, thorough);
    if (image.isNull())
        return FileError{QStringLiteral("draw"), pngPath, QStringLiteral("drawing a plot needs a QGuiApplication")};
    if (extend)
        image = extend(image);
    // Encoded in memory first and then written like every other file, so a
    // full disk or a stop midway leaves any earlier picture as it was.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image))
        return FileError{QStringLiteral("write"), pngPath, writer.errorString()};
    return writeFileAtomically(pngPath, png);
}

}  // namespace quelvar
