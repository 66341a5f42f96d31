#include "task/FrameScheduling.h"

#include <QStringList>
#include <algorithm>
#include <cerrno>

namespace quelvar {

SchedulingFacts raiseFrameThread(SchedulingCalls& os, bool lockMemory)
{
    SchedulingFacts facts;
    facts.reason.clear();
    if (lockMemory)
        facts.memoryLocked = os.lockAllMemory() == 0;

    const auto granted = [&](SchedulingPolicy policy, int priority, SchedulingSource source) {
        facts.policy = policy;
        facts.priority = priority;
        facts.obtainedBy = source;
        facts.nice = os.niceLevel();
        return facts;
    };

    // The watchdog comes before any real-time policy, whoever grants it.
    QStringList refusals;
    const int watchdog = os.setRealtimeTimeLimit(kWatchdogSoftUs, kWatchdogHardUs);
    if (watchdog == 0) {
        const int limit = os.realtimePriorityLimit();
        int priority = kFramePriority;
        int error = os.setRealtime(priority);
        // RLIMIT_RTPRIO may allow a real-time policy below the one asked for.
        if (error == EPERM && limit > 0 && limit < priority)
            error = os.setRealtime(priority = limit);
        if (error == 0)
            return granted(SchedulingPolicy::Fifo, priority, SchedulingSource::SchedSetscheduler);
        refusals << QStringLiteral("sched_setscheduler: %1 (RLIMIT_RTPRIO %2)")
                        .arg(qt_error_string(error))
                        .arg(limit);
    } else {
        refusals << QStringLiteral("RLIMIT_RTTIME: %1").arg(qt_error_string(watchdog));
    }

    QString why;
    if (const auto kit = os.realtimeKitLimits(&why)) {
        // RealtimeKit grants nothing to a process whose RLIMIT_RTTIME exceeds its ceiling.
        const std::int64_t hard = std::min(kWatchdogHardUs, kit->maxRealtimeUs);
        const int priority = std::min(kFramePriority, kit->maxPriority);
        if (hard <= 0 || priority < 1)
            why = QStringLiteral("it allows no real-time priority");
        else if (const int error = os.setRealtimeTimeLimit(hard * 3 / 4, hard))
            why = QStringLiteral("RLIMIT_RTTIME: %1").arg(qt_error_string(error));
        else
            why = os.realtimeKitMakeRealtime(priority);
        if (why.isEmpty())
            return granted(SchedulingPolicy::RoundRobin, priority, SchedulingSource::RealtimeKit);
    }
    refusals << QStringLiteral("RealtimeKit: %1").arg(why);

    const int best = os.bestNiceAllowed();
    if (best < os.niceLevel())
        os.setNiceLevel(best);
    facts.nice = os.niceLevel();
    facts.reason = refusals.join(QStringLiteral("; "));
    return facts;
}

}  // namespace quelvar
