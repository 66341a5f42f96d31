#include "analysis/AnalysisGraphs.h"

#include "common/Rounding.h"

#include <algorithm>

namespace quelvar {
namespace {

// Rows this far outside a graph are all the same to the rasteriser; holding
// them here keeps the Bresenham products within 64 bits.
constexpr std::int64_t kFarRow = std::int64_t{1} << 30;

inline std::uint32_t opaque(QRgb colour) { return 0xFF000000u | colour; }

// A bitmap's pixels, looked up once per trace rather than once per segment.
struct Canvas {
    explicit Canvas(QImage& bitmap)
        : bits(bitmap.bits()), stride(bitmap.bytesPerLine()), width(bitmap.width()),
          height(bitmap.height())
    {
    }
    uchar* bits;
    qsizetype stride;
    std::int64_t width;
    std::int64_t height;

    void plot(std::int64_t x, std::int64_t y, std::uint32_t pixel)
    {
        reinterpret_cast<std::uint32_t*>(bits + y * stride)[x] = pixel;
    }
};

// A line from (x0, y0) towards (x1, y1), its start pixel included and its end
// pixel left out, clipped to the bitmap. One pixel per row of a steep line, one
// per column of a shallow one; only the visible stretch is walked, so a value
// far off the graph costs no more than one that reaches its edge.
void drawLine(Canvas& canvas, std::uint32_t pixel, std::int64_t x0, std::int64_t y0,
              std::int64_t x1, std::int64_t y1)
{
    if (canvas.width <= 0 || canvas.height <= 0)
        return;
    y0 = std::clamp(y0, -kFarRow, kFarRow);
    y1 = std::clamp(y1, -kFarRow, kFarRow);
    const std::int64_t dx = x1 - x0;
    const std::int64_t dy = y1 - y0;
    const std::int64_t adx = dx < 0 ? -dx : dx;
    const std::int64_t ady = dy < 0 ? -dy : dy;
    if (adx == 0 && ady == 0)
        return;

    // Walks steps k = 0 ... major-1 along the major axis; the minor offset is
    // round(minor * k / major), kept incrementally from the first visible k.
    auto walk = [&](std::int64_t major, std::int64_t minor, std::int64_t majorStart,
                    std::int64_t majorSign, std::int64_t majorLimit, auto&& plotAt) {
        std::int64_t kFirst;
        std::int64_t kLast;
        if (majorSign > 0) {
            kFirst = std::max<std::int64_t>(0, -majorStart);
            kLast = std::min<std::int64_t>(major - 1, majorLimit - 1 - majorStart);
        } else {
            kFirst = std::max<std::int64_t>(0, majorStart - (majorLimit - 1));
            kLast = std::min<std::int64_t>(major - 1, majorStart);
        }
        if (kFirst > kLast)
            return;
        const std::int64_t twiceMajor = 2 * major;
        std::int64_t offset = 0;
        std::int64_t remainder = major;
        if (kFirst > 0) {  // clipped: start part-way along the line
            const std::int64_t numerator = 2 * minor * kFirst + major;
            offset = numerator / twiceMajor;
            remainder = numerator % twiceMajor;
        }
        for (std::int64_t k = kFirst; k <= kLast; ++k) {
            plotAt(majorStart + majorSign * k, offset);
            remainder += 2 * minor;
            if (remainder >= twiceMajor) {
                remainder -= twiceMajor;
                ++offset;
            }
        }
    };

    const std::int64_t sx = dx < 0 ? -1 : 1;
    const std::int64_t sy = dy < 0 ? -1 : 1;
    if (ady >= adx) {
        walk(ady, adx, y0, sy, canvas.height, [&](std::int64_t y, std::int64_t offset) {
            const std::int64_t x = x0 + sx * offset;
            if (x >= 0 && x < canvas.width)
                canvas.plot(x, y, pixel);
        });
    } else {
        walk(adx, ady, x0, sx, canvas.width, [&](std::int64_t x, std::int64_t offset) {
            const std::int64_t y = y0 + sy * offset;
            if (y >= 0 && y < canvas.height)
                canvas.plot(x, y, pixel);
        });
    }
}

}  // namespace

std::int64_t graphValueY(int height, double value, double scale)
{
    // Values far off the graph (also infinities) are held just beyond its
    // edges; NaN lies on the zero line.
    const std::int64_t mid = height / 2;
    return mid - roundHalfEvenClamped(static_cast<double>(height) * value / scale, -kFarRow, kFarRow);
}

AnalysisGraphs::AnalysisGraphs(SharedState& state) : state_(state) {}

void AnalysisGraphs::setRunGraphSize(int width, int height)
{
    runGraph_ = QImage(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32);
    runGraph_.fill(opaque(clWhite));
}

void AnalysisGraphs::setModelGraphSize(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (modelGraph_.width() == width && modelGraph_.height() == height && !modelGraph_.isNull())
        return;
    modelGraph_ = QImage(width, height, QImage::Format_RGB32);
    modelGraph_.fill(opaque(clWhite));
}

// The rasteriser writes whole 32-bit pixels; other formats are not drawn on.
static bool drawable(const QImage& bitmap) { return !bitmap.isNull() && bitmap.depth() == 32; }

void AnalysisGraphs::clearWithZeroLine(QImage& bitmap)
{
    if (!drawable(bitmap))
        return;
    bitmap.fill(opaque(clWhite));
    Canvas canvas(bitmap);
    const std::int64_t mid = bitmap.height() / 2;
    drawLine(canvas, opaque(clGray), 0, mid, bitmap.width(), mid);
}

void AnalysisGraphs::DrawTrace(QRgb colour, const FrameArray& values, QImage& bitmap, double scale)
{
    if (!drawable(bitmap))
        return;
    const std::uint32_t pixel = opaque(colour);
    Canvas canvas(bitmap);
    const int width = bitmap.width();
    const int height = bitmap.height();
    // All rows first: the divisions then overlap instead of waiting on the
    // drawing between them.
    for (int i = 1; i <= kRunFrames; ++i)
        rows_[i] = static_cast<std::int32_t>(graphValueY(height, values[i], scale));
    std::int64_t x = 0;
    std::int64_t y = rows_[1];
    for (int i = 1; i <= kRunFrames; ++i) {
        const std::int64_t nextX = graphFrameX(width, i);
        drawLine(canvas, pixel, x, y, nextX, rows_[i]);
        x = nextX;
        y = rows_[i];
    }
}

void AnalysisGraphs::DrawRunGraph()
{
    const double scale = state_.experiment.DisplayScale * 1.2;
    const RunRecord& run = state_.run;
    clearWithZeroLine(runGraph_);
    DrawTrace(clRed, run.Target, runGraph_, scale);
    DrawTrace(clLime, run.Mouse, runGraph_, scale);
    DrawTrace(clBlack, state_.analysis.ErrorMagnified ? run.MagnifiedRunError : run.Error, runGraph_,
              scale);
    if (presenter_)
        presenter_->showRunGraph(runGraph_);
    state_.experiment.State = AnalysisLive;
}

void AnalysisGraphs::DrawModelGraph(double scale)
{
    const RunRecord& run = state_.run;
    const FrameArray& model = state_.analysis.Results.ModelMouseTrace;
    clearWithZeroLine(modelGraph_);
    DrawTrace(clLime, run.Mouse, modelGraph_, scale);
    DrawTrace(clBlue, model, modelGraph_, scale);
    const bool magnified = state_.analysis.ErrorMagnified;
    for (int i = 1; i <= kRunFrames; ++i) {
        const double difference = run.Mouse[i] - model[i];
        modelDifference_[i] = magnified ? difference * 5.0 : difference;
    }
    DrawTrace(clBlack, modelDifference_, modelGraph_, scale);
    if (presenter_)
        presenter_->showModelGraph(modelGraph_);
}

}  // namespace quelvar
