#pragma once
// The experiment controller's state: state number, run counters and flags,
// and the status box text that the Start and Abort handlers test.
#include <QRgb>
#include <QString>
#include <cstdint>

namespace quelvar {

enum ControllerState : std::int32_t {
    StartupLayout = 0,
    Blank = 1,
    Tracking = 2,
    AnalysisLive = 3,
    NextRun = 4,
    InterRunCountdown = 5,
};

inline constexpr QRgb clRed = 0xFF0000;
inline constexpr QRgb clLime = 0x00FF00;
inline constexpr QRgb clBlue = 0x0000FF;
inline constexpr QRgb clYellow = 0xFFFF00;
inline constexpr QRgb clBlack = 0x000000;
inline constexpr QRgb clWhite = 0xFFFFFF;
inline constexpr QRgb clGray = 0x808080;
inline constexpr QRgb clMoneyGreen = 0xC0DCC0;

struct ExperimentState {
    std::int32_t State = StartupLayout;
    std::int32_t Difficulty = 3;
    std::int32_t DisturbanceNumber = 1;
    std::int32_t TablePosition = 1;
    std::int64_t FrameCounter = 0;
    std::int64_t LeadInFrames = 240;
    std::int32_t RunCount = 0;
    std::int32_t RunNumber = 0;
    std::int32_t CountdownFrames = 0;
    bool Recording = false;
    bool MultiRun = false;
    bool RunAvailable = false;
    std::int64_t PerfFrequency = 0;
    std::int64_t LastFrameTime = 0;
    // The wall clock read together with LastFrameTime, in ns since the epoch.
    std::int64_t LastFrameWallClock = 0;

    // Position units spanned by the target display's height: 1000 while the
    // tables are generated, 1200 afterwards.
    std::int32_t DisplayScale = 1200;

    // The main window's status box, which the controller reads as well as writes.
    QString StatusText;
    QRgb StatusColor = clYellow;
};

}  // namespace quelvar
