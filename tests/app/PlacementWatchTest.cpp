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
    // Shown or not, how long a window manager goes on resizing it after it shows, the
    // deadline (far enough off to tell a busy machine from waiting), and the earliest report.
    const std::tuple<bool, int, int, int> cases[] = {
        {true, 0, 10000, PlacementWatch::kSteadyMs},
        {true, 400, 10000, 400 + PlacementWatch::kSteadyMs},
        {false, 0, 300, 300},
    };
    for (const auto& [show, resizeForMs, deadlineMs, earliestMs] : cases) {
        QWidget window;
        QElapsedTimer t;
        t.start();
        qint64 placedAt = -1;
        new PlacementWatch(
            &window, [&] { placedAt = t.elapsed(); }, &window, deadlineMs);
        QTimer grow;
        QObject::connect(&grow, &QTimer::timeout, [&] {
            window.resize(window.size() + QSize(1, 1));
            if (t.hasExpired(resizeForMs))
                grow.stop();
        });
        if (show)
            window.show();
        if (resizeForMs > 0)
            grow.start(40);
        ASSERT_TRUE(QTest::qWaitFor([&] { return placedAt >= 0; }, 15000));
        EXPECT_GE(placedAt, earliestMs) << resizeForMs << " ms resizing";
        EXPECT_LT(placedAt, earliestMs + 4000) << resizeForMs << " ms resizing";
    }
}

}  // namespace
}  // namespace quelvar
