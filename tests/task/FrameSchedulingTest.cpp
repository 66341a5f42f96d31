// The frame thread's scheduling: each way of asking tried in order, each
// refusal taken as an answer, and the run description saying what came of it.
#include "datafiles/RunDescriptionFile.h"
#include "task/FrameScheduling.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <gtest/gtest.h>
#include <cerrno>

namespace quelvar {
namespace {

// An operating system that refuses what a test tells it to, and logs every call.
class RefusingCalls : public SchedulingCalls {
public:
    int realtimeError = 0;
    int rtprioLimit = 0;
    int rttimeError = 0;
    std::optional<RealtimeKitLimits> kit;  // nothing: no RealtimeKit on the bus
    QString kitAnswer;                     // empty: granted
    int bestNice = 0;
    int lockError = 0;
    int nice = 0;
    QStringList log;

    // Refused above RLIMIT_RTPRIO, as the kernel does for an unprivileged process.
    int setRealtime(int priority) override
    {
        log << QStringLiteral("fifo %1").arg(priority);
        return priority <= rtprioLimit ? 0 : realtimeError;
    }
    int realtimePriorityLimit() override { return rtprioLimit; }
    int setRealtimeTimeLimit(std::int64_t softUs, std::int64_t hardUs) override
    {
        log << QStringLiteral("rttime %1/%2").arg(softUs).arg(hardUs);
        return rttimeError;
    }
    std::optional<RealtimeKitLimits> realtimeKitLimits(QString* reason) override
    {
        *reason = QStringLiteral("no system bus");
        return kit;
    }
    QString realtimeKitMakeRealtime(int priority) override
    {
        log << QStringLiteral("rtkit %1").arg(priority);
        return kitAnswer;
    }
    int niceLevel() override { return nice; }
    int bestNiceAllowed() override { return bestNice; }
    int setNiceLevel(int level) override
    {
        log << QStringLiteral("nice %1").arg(level);
        nice = level;
        return 0;
    }
    int lockAllMemory() override
    {
        log << QStringLiteral("mlockall");
        return lockError;
    }
};

TEST(FrameScheduling, EachWayIsTriedInOrderUntilOneIsGrantedAndTheDescriptionSaysWhich)
{
    const struct Case {
        const char* name;
        std::function<void(RefusingCalls&)> refuse;
        bool lockMemory;
        const char* calls;
        const char* policy;
        int priority, nice;
        const char* obtainedBy;
        const char* reason;  // null: none recorded
        bool locked;
    } cases[] = {
        {"root", [](RefusingCalls&) {}, true, "mlockall|rttime 150000/200000|fifo 20", "fifo", 20, 0,
         "sched_setscheduler", nullptr, true},
        {"sanitizer build", [](RefusingCalls&) {}, false, "rttime 150000/200000|fifo 20", "fifo", 20, 0,
         "sched_setscheduler", nullptr, false},
        {"rtprio 10", [](RefusingCalls& os) { os.realtimeError = EPERM, os.rtprioLimit = 10, os.lockError = EPERM; },
         true, "mlockall|rttime 150000/200000|fifo 20|fifo 10", "fifo", 10, 0, "sched_setscheduler", nullptr, false},
        {"rtkit", [](RefusingCalls& os) { os.realtimeError = EPERM, os.kit = RealtimeKitLimits{15, 100000}; },
         true, "mlockall|rttime 150000/200000|fifo 20|rttime 75000/100000|rtkit 15", "rr", 15, 0, "rtkit",
         nullptr, true},
        {"rtkit refuses", [](RefusingCalls& os) {
             os.realtimeError = EPERM, os.kit = RealtimeKitLimits{15, 100000};
             os.kitAnswer = QStringLiteral("Operation not permitted"), os.bestNice = -5;
         }, true, "mlockall|rttime 150000/200000|fifo 20|rttime 75000/100000|rtkit 15|nice -5", "other", 0, -5,
         "none", "sched_setscheduler: Operation not permitted (RLIMIT_RTPRIO 0); RealtimeKit: Operation not permitted",
         true},
        {"no bus, no nice", [](RefusingCalls& os) { os.realtimeError = EPERM, os.lockError = EPERM; }, true,
         "mlockall|rttime 150000/200000|fifo 20", "other", 0, 0, "none",
         "sched_setscheduler: Operation not permitted (RLIMIT_RTPRIO 0); RealtimeKit: no system bus", false},
        {"no watchdog, no real-time", [](RefusingCalls& os) { os.rttimeError = EPERM, os.bestNice = -20; }, false,
         "rttime 150000/200000|nice -20", "other", 0, -20, "none",
         "RLIMIT_RTTIME: Operation not permitted; RealtimeKit: no system bus", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RefusingCalls os;
        c.refuse(os);
        RunDescription described;
        described.scheduling = raiseFrameThread(os, c.lockMemory);
        EXPECT_EQ(os.log.join('|'), QString::fromLatin1(c.calls));
        QJsonObject expected{{"policy", c.policy}, {"priority", c.priority}, {"nice", c.nice},
                             {"obtained_by", c.obtainedBy}, {"memory_locked", c.locked}};
        if (c.reason)
            expected["reason"] = c.reason;  // only where no real-time policy was had
        EXPECT_EQ(QJsonDocument::fromJson(formatRunDescription(described)).object()["scheduling"],
                  QJsonValue(expected));
    }
}

}  // namespace
}  // namespace quelvar
