#pragma once
// What the experiment controller shows in the main window: the status box,
// the elapsed-time, run number and data file boxes, and the target display.
// The main window implements it; tests use a recording fake.
#include <QRgb>
#include <QSize>
#include <QString>
#include <string_view>

class QImage;

namespace quelvar {

class MainView {
public:
    virtual ~MainView() = default;

    virtual void setStatus(const QString& text, QRgb color) = 0;   // Status
    virtual void setElapsedTimeText(std::string_view text) = 0;    // ETCounter
    virtual void setRunNumberText(std::string_view text) = 0;      // CurrentRunEdit
    virtual void setDataFileText(const QString& text) = 0;         // SaveDataEdit

    // The first pass's layout of the window; returns the target display's
    // client size, which the off-screen bitmap takes.
    virtual QSize layOutForStart() = 0;

    // Copies the bitmap onto the target display at once.
    virtual void showTargetDisplay(const QImage& bitmap) = 0;
};

}  // namespace quelvar
