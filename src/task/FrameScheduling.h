#pragma once
// Raising the scheduling of the thread that runs the frames, so that other
// programs' work does not delay them: a real-time policy where the process
// may set one itself, else through RealtimeKit, else the best nice level
// allowed, else nothing. Every refusal is an answer, never a failure, and the
// facts say what was obtained and why not more.
#include "common/SchedulingFacts.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace quelvar {

// A moderate real-time priority: above every normal program, below the
// kernel's interrupt threads (50) and audio servers that run higher.
inline constexpr int kFramePriority = 20;
// The RLIMIT_RTTIME watchdog: a real-time thread that computes this long
// without sleeping (a hung loop; a frame sleeps every 16.7 ms) is put back
// under the normal policy at the soft limit and killed at the hard one, so it
// cannot hold a core. 200 ms is RealtimeKit's default ceiling.
inline constexpr std::int64_t kWatchdogHardUs = 200000;
inline constexpr std::int64_t kWatchdogSoftUs = 150000;

struct RealtimeKitLimits {
    int maxPriority = 0;
    std::int64_t maxRealtimeUs = 0;  // the largest RLIMIT_RTTIME it accepts
};

// The operating system's side, one call per way of asking, each answering
// with an errno (0: done) or a reason, so that tests can refuse any of them.
class SchedulingCalls {
public:
    virtual ~SchedulingCalls() = default;
    // SCHED_FIFO for the frame thread (reset for any thread it starts).
    virtual int setRealtime(int priority) = 0;
    // RLIMIT_RTPRIO's soft limit: the highest priority an unprivileged process may set.
    virtual int realtimePriorityLimit() = 0;
    // RLIMIT_RTTIME, with the handler that demotes the thread at the soft limit.
    virtual int setRealtimeTimeLimit(std::int64_t softUs, std::int64_t hardUs) = 0;
    // RealtimeKit's limits, or nothing with the reason when it cannot be reached.
    virtual std::optional<RealtimeKitLimits> realtimeKitLimits(QString* reason) = 0;
    // Asks RealtimeKit for SCHED_RR at `priority`; empty when granted, else why not.
    virtual QString realtimeKitMakeRealtime(int priority) = 0;
    virtual int niceLevel() = 0;
    // The lowest nice level the process may set (RLIMIT_NICE).
    virtual int bestNiceAllowed() = 0;
    virtual int setNiceLevel(int nice) = 0;
    // Locks all present and future memory; EPERM where the process may not
    // lock an unlimited amount.
    virtual int lockAllMemory() = 0;
};

// Asks in the order above. `lockMemory` is false in the sanitizer build,
// whose shadow memory (terabytes of reserved address space) must not be locked.
SchedulingFacts raiseFrameThread(SchedulingCalls& os, bool lockMemory);

}  // namespace quelvar
