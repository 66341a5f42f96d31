#pragma once
// The main window's geometry rules, apart from any widget so they can be
// checked on their own: the scale factor for a screen, scaled lengths and
// the layout of the first idle pass.
#include <QRect>

namespace quelvar {

// Screen width / 1024 when the screen is wider than 3:4, else height / 768.
double scaleFactorForScreen(int screenWidth, int screenHeight);

// A designed length at the given factor, rounded halves to even.
int scaledLength(int designed, double factor);
QRect scaledRect(int left, int top, int width, int height, double factor);

struct FirstPassLayout {
    int panelLeft = 0;
    int panelHeight = 0;
    int targetBoxHeight = 0;
    int controlPanelHeight = 0;
};

// Centres the panel in the outer window width (integer halves) and makes the
// target display and control panel 95 % of the client height.
FirstPassLayout firstPassLayout(int windowWidth, int panelWidth, int clientHeight);

// The target display fills its group box inside a 2-pixel border below an
// 18-pixel caption band (both at scale 1).
QRect targetPaintRect(QRect targetBox, double factor);

}  // namespace quelvar
