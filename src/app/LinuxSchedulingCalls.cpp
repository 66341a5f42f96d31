#include "app/LinuxSchedulingCalls.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <linux/capability.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#ifndef SCHED_RESET_ON_FORK
#define SCHED_RESET_ON_FORK 0x40000000
#endif

namespace quelvar {
namespace {

const QString kService = QStringLiteral("org.freedesktop.RealtimeKit1");
const QString kPath = QStringLiteral("/org/freedesktop/RealtimeKit1");
// A bus that does not answer must not hold the program up for D-Bus's 25 s.
constexpr int kBusTimeoutMs = 1500;

constexpr std::size_t kMostWatched = 8;
std::atomic<pid_t> watchedThreads[kMostWatched]{};
std::atomic<int> demotions{0};
static_assert(std::atomic<pid_t>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "read in a signal handler");

// SIGXCPU at RLIMIT_RTTIME's soft limit: a real-time thread has computed
// for the whole soft limit without a pause. Back under the normal policy it
// can finish whatever it does without holding a core; the hard limit, which
// would kill the program, is then never reached.
void onWatchdog(int)
{
    const int saved = errno;
    const sched_param normal{};
    bool demoted = false;
    for (const auto& thread : watchedThreads)
        if (const pid_t id = thread.load())
            demoted = syscall(SYS_sched_setscheduler, id, SCHED_OTHER, &normal) == 0 || demoted;
    if (demoted)
        demotions.fetch_add(1);
    errno = saved;
}

bool hasCapability(int capability)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    return (data[capability / 32].effective & (1u << (capability % 32))) != 0;
}

int errorOf(int result)
{
    return result == 0 ? 0 : errno;
}

QDBusMessage realtimeKitCall(const QString& interface, const QString& method, const QVariantList& arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, interface, method);
    call.setArguments(arguments);
    return QDBusConnection::systemBus().call(call, QDBus::Block, kBusTimeoutMs);
}

// One of RealtimeKit's properties as a number; false with the bus's words when it has none.
bool realtimeKitProperty(const char* name, qlonglong* value, QString* reason)
{
    const QDBusMessage reply = realtimeKitCall(QStringLiteral("org.freedesktop.DBus.Properties"),
                                               QStringLiteral("Get"), {kService, QString::fromLatin1(name)});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        *reason = reply.errorMessage().isEmpty() ? QStringLiteral("no answer") : reply.errorMessage();
        return false;
    }
    bool ok = false;
    *value = reply.arguments().first().value<QDBusVariant>().variant().toLongLong(&ok);
    if (!ok)
        *reason = QStringLiteral("%1 is not a number").arg(QString::fromLatin1(name));
    return ok;
}

}  // namespace

pid_t LinuxSchedulingCalls::currentThread()
{
    return pid_t(syscall(SYS_gettid));
}

std::vector<pid_t> LinuxSchedulingCalls::displayEventThreads()
{
    std::vector<pid_t> found;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& id : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile name(tasks.filePath(id + QStringLiteral("/comm")));
        if (name.open(QIODevice::ReadOnly) && name.readAll().trimmed() == "QXcbEventQueue")
            found.push_back(pid_t(id.toInt()));
    }
    return found;
}

int LinuxSchedulingCalls::watchdogDemotions()
{
    return demotions.load();
}

int LinuxSchedulingCalls::setRealtime(int priority)
{
    const sched_param param{priority};
    for (const pid_t thread : threads_)
        if (sched_setscheduler(thread, SCHED_FIFO | SCHED_RESET_ON_FORK, &param) != 0)
            return errno;
    return 0;
}

int LinuxSchedulingCalls::realtimePriorityLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_RTPRIO, &limit) != 0)
        return 0;
    return limit.rlim_cur == RLIM_INFINITY ? INT_MAX : int(std::min<rlim_t>(limit.rlim_cur, INT_MAX));
}

int LinuxSchedulingCalls::setRealtimeTimeLimit(std::int64_t softUs, std::int64_t hardUs)
{
    for (std::size_t i = 0; i < kMostWatched; ++i)
        watchedThreads[i] = i < threads_.size() ? threads_[i] : 0;
    struct sigaction action{};
    action.sa_handler = onWatchdog;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (sigaction(SIGXCPU, &action, nullptr) != 0)
        return errno;
    const rlimit limit{rlim_t(softUs), rlim_t(hardUs)};
    return errorOf(setrlimit(RLIMIT_RTTIME, &limit));
}

std::optional<RealtimeKitLimits> LinuxSchedulingCalls::realtimeKitLimits(QString* reason)
{
    if (!QDBusConnection::systemBus().isConnected()) {
        *reason = QStringLiteral("no system bus");
        return std::nullopt;
    }
    qlonglong priority = 0, rttime = 0;
    if (!realtimeKitProperty("MaxRealtimePriority", &priority, reason) ||
        !realtimeKitProperty("RTTimeUSecMax", &rttime, reason))
        return std::nullopt;
    return RealtimeKitLimits{int(std::clamp<qlonglong>(priority, 0, 99)), rttime};
}

QString LinuxSchedulingCalls::realtimeKitMakeRealtime(int priority)
{
    for (const pid_t thread : threads_) {
        const QDBusMessage reply = realtimeKitCall(kService, QStringLiteral("MakeThreadRealtime"),
                                                   {QVariant::fromValue(quint64(thread)),
                                                    QVariant::fromValue(quint32(priority))});
        if (reply.type() != QDBusMessage::ReplyMessage)
            return reply.errorMessage().isEmpty() ? QStringLiteral("refused") : reply.errorMessage();
    }
    return {};
}

int LinuxSchedulingCalls::niceLevel()
{
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, id_t(threads_.front()));
    return errno == 0 ? nice : 0;
}

int LinuxSchedulingCalls::bestNiceAllowed()
{
    if (hasCapability(CAP_SYS_NICE))
        return -20;
    rlimit limit{};
    if (getrlimit(RLIMIT_NICE, &limit) != 0)
        return 19;
    if (limit.rlim_cur == RLIM_INFINITY)
        return -20;
    // RLIMIT_NICE counts from the lowest priority: 1 allows 19, 40 allows -20.
    return std::clamp(20 - int(std::min<rlim_t>(limit.rlim_cur, 40)), -20, 19);
}

int LinuxSchedulingCalls::setNiceLevel(int nice)
{
    for (const pid_t thread : threads_)
        if (setpriority(PRIO_PROCESS, id_t(thread), nice) != 0)
            return errno;
    return 0;
}

int LinuxSchedulingCalls::lockAllMemory()
{
    // With a limited RLIMIT_MEMLOCK, locking future memory would make later
    // allocations fail once the limit is reached.
    rlimit limit{};
    const bool unlimited = getrlimit(RLIMIT_MEMLOCK, &limit) == 0 && limit.rlim_cur == RLIM_INFINITY;
    if (!unlimited && !hasCapability(CAP_IPC_LOCK))
        return EPERM;
    return errorOf(mlockall(MCL_CURRENT | MCL_FUTURE));
}

}  // namespace quelvar
