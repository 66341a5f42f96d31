#include "app/FrameThreadPriority.h"

#include "app/LinuxSchedulingCalls.h"

#include <QMetaObject>

namespace quelvar {

FrameThreadPriority::FrameThreadPriority(std::function<void(const SchedulingFacts&)> obtained,
                                         QObject* parent)
    : QObject(parent), obtained_(std::move(obtained)), thread_(LinuxSchedulingCalls::currentThread()),
      demotionsSeen_(LinuxSchedulingCalls::watchdogDemotions())
{
}

FrameThreadPriority::~FrameThreadPriority()
{
    if (asking_.joinable())
        asking_.join();
}

void FrameThreadPriority::request()
{
    if (busy_)
        return;
    if (asking_.joinable())
        asking_.join();
    busy_ = true;
    std::vector<pid_t> threads{thread_};
    for (const pid_t reader : LinuxSchedulingCalls::displayEventThreads())
        threads.push_back(reader);
    asking_ = std::thread([this, threads] {
        LinuxSchedulingCalls os(threads);
#ifdef QUELVAR_SANITIZE
        const bool lockMemory = false;
#else
        const bool lockMemory = true;
#endif
        const SchedulingFacts facts = raiseFrameThread(os, lockMemory);
        QMetaObject::invokeMethod(this, [this, facts] {
            busy_ = false;
            obtained_(facts);
        }, Qt::QueuedConnection);
    });
}

void FrameThreadPriority::afterPass()
{
    const int demotions = LinuxSchedulingCalls::watchdogDemotions();
    if (demotions == demotionsSeen_)
        return;
    demotionsSeen_ = demotions;
    request();
}

}  // namespace quelvar
