#include "app/PlacementWatch.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace quelvar {
namespace {

TEST(PlacementWatch, ReportsOnceTheShownWindowHoldsStillAndNeverWaitsPastTheDeadline)
{
    const struct {
        bool show;
        int resizeForMs;  // a window manager still resizing the window after it shows
        int deadlineMs;
        int earliestMs;
    } cases[] = {
        {true, 0, 5000, PlacementWatch::kSteadyMs},
        {true, 400, 5000, 400 + PlacementWatch::kSteadyMs},
        {false, 0, 300, 300},
    };
    for (const auto& c : cases) {
        QWidget window;
        QElapsedTimer t;
        t.start();
        qint64 placedAt = -1;
        new PlacementWatch(&window, [&] { placedAt = t.elapsed(); }, &window, c.deadlineMs);
        QTimer grow;
        QObject::connect(&grow, &QTimer::timeout, [&] {
            window.resize(window.size() + QSize(1, 1));
            if (t.hasExpired(c.resizeForMs))
                grow.stop();
        });
        if (c.show)
            window.show();
        if (c.resizeForMs > 0)
            grow.start(40);
        ASSERT_TRUE(QTest::qWaitFor([&] { return placedAt >= 0; }, 8000));
        EXPECT_GE(placedAt, c.earliestMs) << c.resizeForMs << " ms resizing";
        EXPECT_LT(placedAt, c.earliestMs + 1500) << c.resizeForMs << " ms resizing";
    }
}

}  // namespace
}  // namespace quelvar
