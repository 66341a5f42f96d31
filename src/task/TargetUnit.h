#pragma once
// TTarget draws the target (two red pointers facing each other) and the
// cursor (a green hexagon that fills their gap) into the target display's
// off-screen bitmap, at rows the caller gives.
#include <QBrush>
#include <QPainter>
#include <QPen>
#include <QRgb>
#include <cstdint>

namespace quelvar {

class TTarget {
public:
    std::int32_t CenterX = 0;
    std::int32_t CurrentY = 0;
    QRgb TargetColor = 0;
    QRgb CursorColor = 0;
    QColor SavedBrushColor;
    std::int32_t ShapeScale = 1;

    void Initialize(int x, int y, int scale, QRgb targetColor, QRgb cursorColor);

    // Both pointers centred on row y. The canvas's brush colour is put back
    // afterwards; its pen keeps the shape's colour. Rows far outside the
    // bitmap are clipped, never overflow.
    void DrawTarget(int y, QPainter& canvas);
    void DrawCursor(int y, QPainter& canvas);

private:
    // Pens and brushes are built once per colour, not on every frame, so
    // that drawing does not allocate.
    struct Paint {
        QRgb color = 0;
        QPen pen;
        QBrush brush;
        bool built = false;
    };
    static const Paint& paintFor(Paint& cache, QRgb color);

    Paint targetPaint_;
    Paint cursorPaint_;
};

}  // namespace quelvar
