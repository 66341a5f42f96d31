#include "app/MainLayout.h"

#include "common/Rounding.h"

namespace quelvar {

double scaleFactorForScreen(int screenWidth, int screenHeight)
{
    if (screenWidth <= 0 || screenHeight <= 0)
        return 1.0;
    const double ratio = double(screenWidth) / double(screenHeight);
    return ratio > 0.75 ? double(screenWidth) / 1024.0 : double(screenHeight) / 768.0;
}

int scaledLength(int designed, double factor)
{
    return roundToInt32(double(designed) * factor);
}

QRect scaledRect(int left, int top, int width, int height, double factor)
{
    return QRect(scaledLength(left, factor), scaledLength(top, factor), scaledLength(width, factor),
                 scaledLength(height, factor));
}

FirstPassLayout firstPassLayout(int windowWidth, int panelWidth, int clientHeight)
{
    FirstPassLayout layout;
    layout.panelLeft = windowWidth / 2 - panelWidth / 2;
    layout.panelHeight = clientHeight;
    layout.targetBoxHeight = roundToInt32(0.95 * double(layout.panelHeight));
    layout.controlPanelHeight = layout.targetBoxHeight;
    return layout;
}

QRect targetPaintRect(QRect targetBox, double factor)
{
    const int border = scaledLength(2, factor);
    const int caption = scaledLength(18, factor);
    return QRect(border, caption, qMax(1, targetBox.width() - 2 * border),
                 qMax(1, targetBox.height() - caption - border));
}

}  // namespace quelvar
