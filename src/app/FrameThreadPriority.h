#pragma once
// Raises the scheduling of the thread that runs the frames (the thread that
// makes this object), and of the thread that reads the display server's
// events for it, once frames start, off that thread: a system bus that
// is slow to answer delays neither the start-up nor a frame. The answer comes
// back on the frame thread through `obtained`, and again whenever the
// RLIMIT_RTTIME watchdog put the thread back under the normal policy (after
// a long computation such as "Auto Fit"), after which it asks once more.
#include "common/SchedulingFacts.h"

#include <QObject>
#include <functional>
#include <sys/types.h>
#include <thread>

namespace quelvar {

class FrameThreadPriority final : public QObject {
public:
    explicit FrameThreadPriority(std::function<void(const SchedulingFacts&)> obtained,
                                 QObject* parent = nullptr);
    ~FrameThreadPriority() override;

    // Asks, unless an earlier request is still being answered.
    void request();
    // Called after every frame pass: notices the watchdog's work.
    void afterPass();

private:
    std::function<void(const SchedulingFacts&)> obtained_;
    pid_t thread_;
    std::thread asking_;
    bool busy_ = false;
    int demotionsSeen_ = 0;
};

}  // namespace quelvar
