#include "app/FrameLoop.h"

namespace quelvar {

FrameLoop::FrameLoop(std::function<void()> pass, QObject* parent)
    : QObject(parent), pass_(std::move(pass))
{
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, [this] { runPass(); });
}

FrameLoop::~FrameLoop()
{
    for (QTimer* t : nested_)
        delete t;
}

void FrameLoop::start()
{
    running_ = true;
    if (paused_ == 0)
        startTimers();
}

void FrameLoop::stop()
{
    running_ = false;
    stopTimers();
}

void FrameLoop::runPass()
{
    ++depth_;
    pass_();
    --depth_;
    ++passes_;
    if (afterPass_)
        afterPass_();
}

void FrameLoop::startTimers()
{
    timer_.start();
    for (QTimer* t : nested_)
        if (t)
            t->start();
}

void FrameLoop::stopTimers()
{
    timer_.stop();
    for (QTimer* t : nested_)
        if (t)
            t->stop();
}

void FrameLoop::fileDialogOpening()
{
    if (paused_++ == 0)
        stopTimers();
}

void FrameLoop::fileDialogClosed()
{
    if (paused_ > 0 && --paused_ == 0 && running_)
        startTimers();
}

void FrameLoop::messageBoxOpening()
{
    if (depth_ == 0) {
        // Opened between passes: the frame timer is idle and keeps firing
        // inside the box's loop by itself.
        nested_.push_back(nullptr);
        return;
    }
    auto* timer = new QTimer;
    timer->setInterval(0);
    connect(timer, &QTimer::timeout, this, [this] { runPass(); });
    nested_.push_back(timer);
    if (isRunning())
        timer->start();
}

void FrameLoop::messageBoxClosed()
{
    if (nested_.empty())
        return;
    delete nested_.back();
    nested_.pop_back();
}

}  // namespace quelvar
