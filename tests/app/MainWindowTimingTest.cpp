#include "app/MainWindowTiming.h"

#include <QWidget>
#include <gtest/gtest.h>

namespace quelvar {
namespace {

TEST(MainWindowTiming, TheTitleNamesTheLastRunsLateFramesAndLosesThemAfterACleanRun)
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("Quelvar"));
    MainWindowTiming timing(&window);
    const std::pair<int, const char*> runs[] = {
        {3, "Quelvar \u2013 last run: 3 late frames"},
        {1, "Quelvar \u2013 last run: 1 late frame"},
        {0, "Quelvar"},
        {0, "Quelvar"},
        {44, "Quelvar \u2013 last run: 44 late frames"},
    };
    for (const auto& [late, title] : runs) {
        timing.showLastRunLateFrames(late);
        EXPECT_EQ(window.windowTitle(), QString::fromUtf8(title)) << late;
    }
}

}  // namespace
}  // namespace quelvar
