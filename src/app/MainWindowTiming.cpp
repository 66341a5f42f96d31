#include "app/MainWindowTiming.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cstdlib>
#include <xcb/xcb.h>

namespace quelvar {

namespace {

const QString kSeparator = QStringLiteral(" \u2013 ");

// The X server's pointer control: acceleration numerator / denominator and
// threshold. Other window systems do not say, and neither does a server
// whose reply fails.
void readPointerControl(ScreenFacts& facts)
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return;
    xcb_get_pointer_control_reply_t* reply =
        xcb_get_pointer_control_reply(connection, xcb_get_pointer_control(connection), nullptr);
    if (!reply)
        return;
    if (reply->acceleration_denominator != 0)
        facts.pointerAcceleration = double(reply->acceleration_numerator) / reply->acceleration_denominator;
    facts.pointerThreshold = reply->threshold;
    std::free(reply);
}

}  // namespace

QString titleWithNotes(const QString& title, int lateFrames, bool realtime)
{
    // Earlier notes go, whatever else the title says.
    QString shown = title.section(kSeparator, 0, 0);
    if (lateFrames > 0)
        shown += kSeparator + QStringLiteral("last run: %1 late frame%2")
                                  .arg(lateFrames)
                                  .arg(lateFrames == 1 ? QString() : QStringLiteral("s"));
    if (!realtime)
        shown += kSeparator + QStringLiteral("no real-time scheduling");
    return shown;
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
    readPointerControl(facts);
    return facts;
}

void MainWindowTiming::showLastRunLateFrames(int lateFrames)
{
    lateFrames_ = lateFrames;
    showTitle();
}

void MainWindowTiming::showScheduling(const SchedulingFacts& facts)
{
    realtime_ = facts.realtime();
    showTitle();
}

void MainWindowTiming::showTitle()
{
    window_->setWindowTitle(titleWithNotes(window_->windowTitle(), lateFrames_, realtime_));
}

}  // namespace quelvar
