#pragma once
// The scheduling calls of a Linux desktop for one thread: the kernel's own
// (sched_setscheduler, setpriority, the resource limits, mlockall) and
// RealtimeKit's on the system bus. The RLIMIT_RTTIME watchdog's first signal
// puts the thread back under the normal policy; watchdogDemotions() counts
// how often that happened.
#include "task/FrameScheduling.h"

#include <sys/types.h>

namespace quelvar {

class LinuxSchedulingCalls final : public SchedulingCalls {
public:
    // `thread`: the kernel's id of the thread to raise (gettid()).
    explicit LinuxSchedulingCalls(pid_t thread) : thread_(thread) {}

    static pid_t currentThread();
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
    pid_t thread_;
};

}  // namespace quelvar
