#pragma once
// The 60 Hz loop on Qt's event loop: a zero-interval timer whose slot runs
// one pass (state step and pacing wait); Qt processes the pending events
// between passes. Qt never fires a timer again while its own slot is still
// running, so when a pass itself opens a message box (a failed write at the
// end of a run) a second timer carries the frames on inside that box's loop.
// File dialogs stop every timer until they close.
#include "app/QtDialogs.h"

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <vector>

namespace quelvar {

class FrameLoop final : public QObject, public ModalHooks {
public:
    explicit FrameLoop(std::function<void()> pass, QObject* parent = nullptr);
    ~FrameLoop() override;

    void start();
    void stop();
    bool isRunning() const { return running_ && paused_ == 0; }
    std::int64_t passes() const { return passes_; }

    // Called after every pass (benchmarks watch the frame times through it).
    void setAfterPass(std::function<void()> observer) { afterPass_ = std::move(observer); }

    void fileDialogOpening() override;
    void fileDialogClosed() override;
    void messageBoxOpening() override;
    void messageBoxClosed() override;

private:
    void runPass();
    void startTimers();
    void stopTimers();

    std::function<void()> pass_;
    std::function<void()> afterPass_;
    QTimer timer_;
    std::vector<QTimer*> nested_;  // one per box opened inside a pass; null when none was needed
    int depth_ = 0;
    int paused_ = 0;
    bool running_ = false;
    std::int64_t passes_ = 0;
};

}  // namespace quelvar
