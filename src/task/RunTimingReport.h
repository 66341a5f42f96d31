#pragma once
// Proof of a recorded run's timing: it keeps the frame times while the run is
// recorded, and at the end of the run tells the main window how many frames
// were late and writes the timing file and the run description beside the
// data file (only when the data file itself was written). A failure to write
// either is reported once, in a box that says the run itself was saved.
#include "common/FrameTiming.h"
#include "common/SharedState.h"
#include "datafiles/RunDescriptionFile.h"
#include "task/RunSettingPositions.h"

#include <QSize>
#include <QString>
#include <cstdint>

namespace quelvar {

class Dialogs;
class RunTimingView;
class TDisturb;

// SHA-256 (hex) of the table as "Distable" holds it: 180,000 little-endian
// doubles, so that it matches `sha256sum Distable` for a saved table.
QByteArray disturbanceTableSha256(const TDisturb& table);

class RunTimingReport {
public:
    RunTimingReport(SharedState& state, Dialogs& dialogs, const RunSettingPositions& spinners);

    void setView(RunTimingView* view) { view_ = view; }

    // What the frame thread obtained from the scheduler, for the descriptions from now on.
    void setScheduling(const SchedulingFacts& facts) { scheduling_ = facts; }

    // Start-up: which table this session runs on and where it came from.
    void noteTable(const TDisturb& table, TableSource source, bool saved, const QString& filePath);

    // Frame `frameCounter` of a run is being recorded; `ticks` ended the wait
    // before it.
    void noteFrame(std::int64_t frameCounter, std::int64_t ticks, std::int64_t wallClockNs)
    {
        frames_.noteFrame(frameCounter, ticks, wallClockNs);
    }

    // The end of a run, after its data file write. `display` is the target
    // display's size in pixels.
    void finishRun(bool dataFileWritten, QSize display);

    const FrameTiming& frames() const { return frames_; }

private:
    RunDescription describe(const FrameIntervalStats& stats, QSize display) const;

    SharedState& state_;
    Dialogs& dialogs_;
    const RunSettingPositions& spinners_;
    RunTimingView* view_ = nullptr;
    DisturbanceTableFacts table_;
    SchedulingFacts scheduling_;
    QString seriesId_;
    FrameTiming frames_;
};

}  // namespace quelvar
