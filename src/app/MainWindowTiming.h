#pragma once
// The main window's side of a run's timing: the facts of the screen it is
// on, and its title, which names the late frames of the last run that had
// any (" – last run: 3 late frames") and, when the frames run without
// real-time scheduling, says so (" – no real-time scheduling") before the
// first recording, so the experimenter sees both without a box that would
// stop an unattended series.
#include "common/SchedulingFacts.h"
#include "task/RunTimingView.h"

#include <QString>

class QWidget;

namespace quelvar {

// `title` with the notes of the last run (none after a clean run) and of the
// frames' scheduling.
QString titleWithNotes(const QString& title, int lateFrames, bool realtime);

class MainWindowTiming final : public RunTimingView {
public:
    explicit MainWindowTiming(QWidget* window) : window_(window) {}

    ScreenFacts screenFacts() const override;
    void showLastRunLateFrames(int lateFrames) override;
    void showScheduling(const SchedulingFacts& facts);

private:
    void showTitle();

    QWidget* window_;
    int lateFrames_ = 0;
    bool realtime_ = true;  // nothing to say until the answer is in
};

}  // namespace quelvar
