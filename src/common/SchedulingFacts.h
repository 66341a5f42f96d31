#pragma once
// What the thread that runs the frames obtained from the scheduler, as every
// run description records it.
#include <QString>

namespace quelvar {

enum class SchedulingPolicy { Other, Fifo, RoundRobin };
enum class SchedulingSource { None, SchedSetscheduler, RealtimeKit };

struct SchedulingFacts {
    SchedulingPolicy policy = SchedulingPolicy::Other;
    int priority = 0;  // the real-time priority; 0 under the normal policy
    int nice = 0;
    SchedulingSource obtainedBy = SchedulingSource::None;
    // Why real-time scheduling was not obtained; empty when it was.
    QString reason = QStringLiteral("not requested");
    bool memoryLocked = false;

    bool realtime() const { return policy != SchedulingPolicy::Other; }
};

}  // namespace quelvar
