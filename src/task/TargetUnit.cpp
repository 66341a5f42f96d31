#include "task/TargetUnit.h"

#include <QPaintDevice>
#include <QPoint>

#include <algorithm>

namespace quelvar {
namespace {

// Rows from a wild table value can lie far outside the bitmap. Anything more
// than this beyond it is invisible anyway, and holding the row here keeps the
// vertex arithmetic and the rasteriser's fixed-point range safe.
constexpr std::int64_t kRowMargin = 1000000;
constexpr std::int64_t kCoordinateLimit = std::int64_t(1) << 24;

std::int64_t safeRow(std::int32_t row, const QPainter& canvas)
{
    const QPaintDevice* device = canvas.device();
    const std::int64_t height = device ? device->height() : 0;
    return std::clamp<std::int64_t>(row, -kRowMargin, height + kRowMargin);
}

QPoint vertex(std::int64_t x, std::int64_t y)
{
    return QPoint(static_cast<int>(std::clamp(x, -kCoordinateLimit, kCoordinateLimit)),
                  static_cast<int>(std::clamp(y, -kCoordinateLimit, kCoordinateLimit)));
}

// Draws with the shape's colour for both outline and fill, then puts the
// canvas's brush back so that the caller's background fill keeps working.
template <int N>
void drawShapes(const QPoint (&points)[N], int polygons, QPainter& canvas, const QPen& pen,
                const QBrush& brush, QColor& savedBrushColor)
{
    const QBrush previous = canvas.brush();
    savedBrushColor = previous.color();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    canvas.setPen(pen);
    canvas.setBrush(brush);
    const int each = N / polygons;
    for (int p = 0; p < polygons; ++p)
        canvas.drawPolygon(points + p * each, each);
    canvas.setBrush(previous);
}

}  // namespace

const TTarget::Paint& TTarget::paintFor(Paint& cache, QRgb color)
{
    if (!cache.built || cache.color != color) {
        const QColor c = QColor::fromRgb(color);
        cache.color = color;
        cache.brush = QBrush(c, Qt::SolidPattern);
        cache.pen = QPen(cache.brush, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
        cache.pen.setCosmetic(true);
        cache.built = true;
    }
    return cache;
}

void TTarget::Initialize(int x, int y, int scale, QRgb targetColor, QRgb cursorColor)
{
    CenterX = x;
    CurrentY = y;
    ShapeScale = scale;
    TargetColor = targetColor;
    CursorColor = cursorColor;
}

void TTarget::DrawTarget(int y, QPainter& canvas)
{
    CurrentY = y;
    const std::int64_t X = CenterX;
    const std::int64_t Y = safeRow(CurrentY, canvas);
    const std::int64_t s = ShapeScale;
    const QPoint points[10] = {
        // left pointer
        vertex(X - 60 * s, Y - 5 * s),
        vertex(X - 25 * s, Y - 5 * s),
        vertex(X - 20 * s, Y),
        vertex(X - 25 * s, Y + 5 * s),
        vertex(X - 60 * s, Y + 5 * s),
        // right pointer
        vertex(X + 60 * s, Y - 5 * s),
        vertex(X + 25 * s, Y - 5 * s),
        vertex(X + 20 * s, Y),
        vertex(X + 25 * s, Y + 5 * s),
        vertex(X + 60 * s, Y + 5 * s),
    };
    const Paint& paint = paintFor(targetPaint_, TargetColor);
    drawShapes(points, 2, canvas, paint.pen, paint.brush, SavedBrushColor);
}

void TTarget::DrawCursor(int y, QPainter& canvas)
{
    CurrentY = y;
    const std::int64_t X = CenterX;
    const std::int64_t Y = safeRow(CurrentY, canvas);
    const std::int64_t s = ShapeScale;
    const QPoint points[6] = {
        vertex(X - 20 * s, Y),
        vertex(X - 15 * s, Y - 5 * s),
        vertex(X + 15 * s, Y - 5 * s),
        vertex(X + 20 * s, Y),
        vertex(X + 15 * s, Y + 5 * s),
        vertex(X - 15 * s, Y + 5 * s),
    };
    const Paint& paint = paintFor(cursorPaint_, CursorColor);
    drawShapes(points, 1, canvas, paint.pen, paint.brush, SavedBrushColor);
}

}  // namespace quelvar
