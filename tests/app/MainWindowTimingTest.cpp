#include "app/MainWindowTiming.h"

#include <QWidget>
#include <gtest/gtest.h>

namespace quelvar {
namespace {

TEST(MainWindowTiming, TheTitleNamesTheLastRunsLateFramesAndWhetherFramesRunRealTime)
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("Quelvar"));
    MainWindowTiming timing(&window);
    const SchedulingFacts normal;
    const SchedulingFacts fifo{.policy = SchedulingPolicy::Fifo};
    // Late frames of a run (-1: the scheduling answer comes instead), and the title after it.
    const struct { int late; const SchedulingFacts* scheduling; const char* title; } steps[] = {
        {3, nullptr, "Quelvar \u2013 last run: 3 late frames"},
        {1, nullptr, "Quelvar \u2013 last run: 1 late frame"},
        {-1, &normal, "Quelvar \u2013 last run: 1 late frame \u2013 no real-time scheduling"},
        {0, nullptr, "Quelvar \u2013 no real-time scheduling"},
        {44, nullptr, "Quelvar \u2013 last run: 44 late frames \u2013 no real-time scheduling"},
        {-1, &fifo, "Quelvar \u2013 last run: 44 late frames"},
        {0, nullptr, "Quelvar"},
        {0, nullptr, "Quelvar"},  // a second clean run
    };
    for (const auto& step : steps) {
        if (step.scheduling)
            timing.showScheduling(*step.scheduling);
        else
            timing.showLastRunLateFrames(step.late);
        EXPECT_EQ(window.windowTitle(), QString::fromUtf8(step.title)) << step.title;
    }
}

}  // namespace
}  // namespace quelvar
