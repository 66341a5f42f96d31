#pragma once
// Tells once when a newly shown top-level window has been placed: it is on
// the screen and has stopped moving and changing size. A window manager
// maximises a window only after the program has asked for it, so the
// geometry read before then is the program's own request, not the window's;
// read too early, the client area is taller than the one the user gets.
// Without a window manager (or on the offscreen platform) nothing moves it,
// so it counts as placed shortly after it shows. A window that never shows is
// taken as placed after a deadline, so whatever waits for it cannot hang.
#include <QElapsedTimer>
#include <QObject>
#include <QRect>
#include <QTimer>
#include <functional>

class QWidget;

namespace quelvar {

class PlacementWatch final : public QObject {
public:
    // How long the geometry must stay the same, and the longest wait.
    static constexpr int kSteadyMs = 50;
    static constexpr int kDeadlineMs = 3000;

    // `placed` runs once, from the event loop; the watch then deletes itself.
    PlacementWatch(QWidget* window, std::function<void()> placed, QObject* parent = nullptr,
                   int deadlineMs = kDeadlineMs);

private:
    void check();

    QWidget* window_;
    std::function<void()> placed_;
    QTimer poll_;
    QElapsedTimer sinceStart_;
    QElapsedTimer sinceChange_;
    QRect frame_;
    QRect client_;
    int deadlineMs_;
    bool haveGeometry_ = false;
};

}  // namespace quelvar
