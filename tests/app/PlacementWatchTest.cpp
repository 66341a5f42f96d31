#include "app/PlacementWatch.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace quelvar {
namespace {

// Runs the event loop until the watch on `window` reports; returns the time
// that took in milliseconds, or -1 after `limitMs`.
qint64 msUntilPlaced(QWidget& window, int deadlineMs, int limitMs, const std::function<void()>& show)
{
    QElapsedTimer t;
    t.start();
    qint64 placedAt = -1;
    QPointer<PlacementWatch> watch =
        new PlacementWatch(&window, [&] { placedAt = t.elapsed(); }, nullptr, deadlineMs);
    show();
    while (placedAt < 0 && !t.hasExpired(limitMs))
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch.isNull()) << "the watch removes itself once it has reported";
    return placedAt;
}

TEST(PlacementWatch, ReportsOnceTheShownWindowHoldsStillAndNeverWaitsPastTheDeadline)
{
    {
        QWidget window;
        const qint64 ms = msUntilPlaced(window, 5000, 8000, [&] { window.show(); });
        EXPECT_GE(ms, PlacementWatch::kSteadyMs);
        EXPECT_LT(ms, 2000) << "a window nobody moves is placed soon after it shows";
    }
    {
        // A window manager still resizing the window for 400 ms.
        QWidget window;
        QElapsedTimer sinceShow;
        QTimer grow;
        grow.setInterval(40);
        QObject::connect(&grow, &QTimer::timeout, [&] {
            window.resize(window.size() + QSize(1, 1));
            if (sinceShow.hasExpired(400))
                grow.stop();
        });
        const qint64 ms = msUntilPlaced(window, 5000, 8000, [&] {
            window.show();
            sinceShow.start();
            grow.start();
        });
        EXPECT_GE(ms, 400 + PlacementWatch::kSteadyMs);
    }
    {
        QWidget neverShown;
        const qint64 ms = msUntilPlaced(neverShown, 300, 5000, [] {});
        EXPECT_GE(ms, 300);
        EXPECT_LT(ms, 2000);
    }
}

}  // namespace
}  // namespace quelvar
