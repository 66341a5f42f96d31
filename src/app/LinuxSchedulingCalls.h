#pragma once
// The scheduling calls of a Linux desktop for the frame thread and the
// threads its frames wait on: the kernel's own (sched_setscheduler,
// setpriority, the resource limits, mlockall) and RealtimeKit's on the
// system bus. The RLIMIT_RTTIME watchdog's first signal puts the threads back
// under the normal policy; watchdogDemotions() counts how often that happened.
#include "task/FrameScheduling.h"

#include <sys/types.h>
#include <vector>

namespace quelvar {

class LinuxSchedulingCalls final : public SchedulingCalls {
public:
    // `threads`: the kernel's ids (gettid()) of the threads to raise, the
    // frame thread first.
    explicit LinuxSchedulingCalls(std::vector<pid_t> threads) : threads_(std::move(threads)) {}

    static pid_t currentThread();
    // The threads of this process that Qt's X11 connection reads events
    // with: a frame's image is handed to the display server only once this
    // thread has read the server's answer, so at normal priority on a busy
    // machine it delays the frames as much as a slow frame thread would.
    static std::vector<pid_t> displayEventThreads();
    static int watchdogDemotions();

    int setRealtime(int priority) override;
    int realtimePriorityLimit() override;
    int setRealtimeTimeLimit(std::int64_t softUs, std::int64_t hardUs) override;
    std::optional<RealtimeKitLimits> realtimeKitLimits(QString* reason) override;
    QString realtimeKitMakeRealtime(int priority) override;
    int niceLevel() override;
    int bestNiceAllowed() override;
    int setNiceLevel(int nice) override;
    int lockAllMemory() override;

private:
    std::vector<pid_t> threads_;
};

}  // namespace quelvar
