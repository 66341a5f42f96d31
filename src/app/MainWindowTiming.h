#pragma once
// The main window's side of a run's timing: the facts of the screen it is
// on, and its title, which names the late frames of the last run that had
// any (" – last run: 3 late frames") so the experimenter sees it without a
// box that would stop an unattended series.
#include "task/RunTimingView.h"

#include <QString>

class QWidget;

namespace quelvar {

// `title` with the note of the last run: none after a clean run.
QString titleAfterRun(const QString& title, int lateFrames);

class MainWindowTiming final : public RunTimingView {
public:
    explicit MainWindowTiming(QWidget* window) : window_(window) {}

    ScreenFacts screenFacts() const override;
    void showLastRunLateFrames(int lateFrames) override;

private:
    QWidget* window_;
};

}  // namespace quelvar
