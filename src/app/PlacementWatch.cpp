#include "app/PlacementWatch.h"

#include <QWidget>
#include <QWindow>

namespace quelvar {
namespace {

// Often enough that the wait adds little to the steady time.
constexpr int kPollMs = 10;

}  // namespace

PlacementWatch::PlacementWatch(QWidget* window, std::function<void()> placed, QObject* parent,
                               int deadlineMs)
    : QObject(parent), window_(window), placed_(std::move(placed)), deadlineMs_(deadlineMs)
{
    sinceStart_.start();
    sinceChange_.start();
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, [this] { check(); });
    poll_.start();
}

void PlacementWatch::check()
{
    const QWindow* handle = window_->windowHandle();
    const bool exposed = handle && handle->isExposed();
    const bool late = sinceStart_.hasExpired(deadlineMs_);
    if (!exposed && !late)
        return;
    // A window manager may still be resizing a window it has just mapped, so
    // the geometry counts only once it has held still for a while.
    const QRect frame = window_->frameGeometry();
    const QRect client = window_->geometry();
    if (!haveGeometry_ || frame != frame_ || client != client_) {
        haveGeometry_ = true;
        frame_ = frame;
        client_ = client;
        sinceChange_.restart();
    }
    if (!late && !sinceChange_.hasExpired(kSteadyMs))
        return;
    poll_.stop();
    placed_();
    deleteLater();
}

}  // namespace quelvar
