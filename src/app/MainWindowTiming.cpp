#include "app/MainWindowTiming.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace quelvar {

namespace {
const QString kNote = QStringLiteral(" \u2013 last run: ");
}

QString titleAfterRun(const QString& title, int lateFrames)
{
    // The note of an earlier run goes, whatever else the title says.
    const QString plain = title.section(kNote, 0, 0);
    if (lateFrames <= 0)
        return plain;
    return plain + kNote + QStringLiteral("%1 late frame%2")
                       .arg(lateFrames)
                       .arg(lateFrames == 1 ? QString() : QStringLiteral("s"));
}

ScreenFacts MainWindowTiming::screenFacts() const
{
    ScreenFacts facts;
    facts.platform = QGuiApplication::platformName();
    if (const QScreen* screen = window_->screen()) {
        facts.name = screen->name();
        facts.geometry = screen->geometry();
        facts.refreshRateHz = screen->refreshRate();
    }
    return facts;
}

void MainWindowTiming::showLastRunLateFrames(int lateFrames)
{
    window_->setWindowTitle(titleAfterRun(window_->windowTitle(), lateFrames));
}

}  // namespace quelvar
