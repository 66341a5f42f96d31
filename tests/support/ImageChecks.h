#pragma once
// Pixel questions that graph and window tests ask of a bitmap.
#include <QImage>

namespace quelvar::test {

// The pixel's RGB, without the alpha byte.
inline QRgb pixel(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

inline bool contains(const QImage& image, QRgb colour)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (pixel(image, x, y) == colour)
                return true;
    return false;
}

}  // namespace quelvar::test
