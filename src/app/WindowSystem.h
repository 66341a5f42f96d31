#pragma once
// Which of Qt's window system plugins Quelvar runs on when the user has not
// chosen one.
#include <QByteArray>

namespace quelvar {

// What QT_QPA_PLATFORM should hold for a start where it holds `chosen` and
// DISPLAY names an X server or not: the user's choice when there is one,
// else X11 first (on a Wayland desktop through XWayland) and native Wayland
// only when there is no X server. Under X11 every desktop lets the program
// place its windows and keep the analysis window on top, so every lab
// machine runs the same experiment; whether Qt's Wayland plugin happens to
// be installed then changes nothing.
QByteArray platformRequest(const QByteArray& chosen, bool x11Display);

// Sets QT_QPA_PLATFORM from platformRequest(); before QApplication.
void requestPreferredPlatform();

}  // namespace quelvar
