#pragma once
// One frame of the tracking task and the run it fills: the mouse mapped to a
// cursor position, the target taken from the disturbance table, both drawn
// into the off-screen bitmap and shown, and, while a run is in progress, the
// frame counted, stored and, after the 3600th, the run written and handed on.
#include "common/SharedState.h"
#include "task/TargetUnit.h"

#include <QImage>
#include <QPainter>
#include <QSize>
#include <cstdint>

namespace quelvar {

class AnalysisSession;
class Dialogs;
class MainViewTexts;
class RunTimingReport;
class TDisturb;

// Row of a position value in a display H pixels high: H div 2 − Round(H ×
// value / scale). Values far beyond the display (a foreign "Distable" may hold
// anything, NaN included) give rows just outside it, so the shapes are
// clipped instead of the arithmetic overflowing.
int rowForPosition(double value, int height, std::int32_t displayScale);

// Position of the pointer on row y: (H div 2 − y) × scale / H, held to ±500.
double positionForRow(int y, int height, std::int32_t displayScale);

class RunRecording {
public:
    RunRecording(SharedState& state, const TDisturb& table, MainViewTexts& texts,
                 Dialogs& dialogs, AnalysisSession& session);
    ~RunRecording();
    RunRecording(const RunRecording&) = delete;
    RunRecording& operator=(const RunRecording&) = delete;

    double TargetValue = 0.0;
    double MouseValue = 0.0;

    // Mouse-move handler of the target display, in every state.
    void TargetPaintMouseMove(int y);

    void DrawFrame();
    void RecordFrame();

    // Writes the run to the current data file; reports a failure itself.
    // True when the file now holds the run.
    bool WriteDataFile();

    // Where recorded frames' times go, and what writes them beside the data file.
    void setTiming(RunTimingReport* timing) { timing_ = timing; }

    // The bitmap takes the target display's client size and stays black
    // between frames; the target drawer is centred on it.
    void resizeBitmap(QSize size);
    void initializeTarget();
    void clearAndShow();  // fill black and copy to the display

    const QImage& bitmap() const { return bitmap_; }
    TTarget& target() { return target_; }

private:
    void endRun();
    void fillBlack();

    SharedState& state_;
    const TDisturb& table_;
    MainViewTexts& texts_;
    Dialogs& dialogs_;
    AnalysisSession& session_;
    RunTimingReport* timing_ = nullptr;
    TTarget target_;
    QImage bitmap_;
    QPainter canvas_;
};

}  // namespace quelvar
