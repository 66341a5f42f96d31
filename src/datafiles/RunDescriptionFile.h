#pragma once
// The run description beside a data file: one JSON object naming the program,
// the files, when and how the run was recorded, how well the frames kept
// their timing, the screen and display, the disturbance table and the
// platform. Keys come in a fixed order, numbers use "." in every locale, and
// the text is UTF-8 with LF line ends. The README lists every key.
#include "common/FrameTiming.h"
#include "common/SchedulingFacts.h"

#include <QByteArray>
#include <QRect>
#include <QSize>
#include <QString>
#include <optional>

namespace quelvar {

struct ScreenFacts {
    QString name;
    QRect geometry;
    double refreshRateHz = 0.0;
    QString platform;  // the window system plug-in ("xcb", "wayland", ...)
    // The pointer's acceleration (a factor) and the threshold in pixels above
    // which it applies, as the window system reports them; none where it cannot tell.
    std::optional<double> pointerAcceleration;
    std::optional<int> pointerThreshold;
};

enum class TableSource { Loaded, Generated };

struct DisturbanceTableFacts {
    QByteArray sha256Hex;
    TableSource source = TableSource::Generated;
    bool saved = false;  // a generated table was written to the table file
    QString filePath;    // the table file, absolute
};

struct RunDescription {
    QString programVersion;
    QString dataFile;           // bare names
    QByteArray dataFileSha256Hex;
    QString framesFile;
    bool framesFileWritten = true;
    QString recordingStart;     // ISO 8601 with offset
    QString recordingEnd;
    // Frames 1 and 3600: the monotonic clock (ns) and the wall clock (ns
    // since the epoch), read together.
    std::int64_t anchorStartMonotonicNs = 0;
    std::int64_t anchorStartWallNs = 0;
    std::int64_t anchorEndMonotonicNs = 0;
    std::int64_t anchorEndWallNs = 0;
    int difficulty = 0;
    int disturbanceNumber = 0;
    int runNumber = 0;
    int runCount = 0;
    int interRunIntervalS = 0;
    std::int64_t leadInFrames = 0;
    FrameIntervalStats intervals;
    SchedulingFacts scheduling;
    ScreenFacts screen;
    QSize display;              // the target display's bitmap, pixels
    int displayScale = 0;
    DisturbanceTableFacts table;
    QString qtVersion;
    QString os;
    QString kernel;
    QString buildRevision;      // empty when not built from a git checkout
    QString buildType;
    QString compiler;
    QString hostName;
    QString cpuModel;
    int logicalCores = 0;
    double loadAverageStart = -1.0;  // negative: unknown
    double loadAverageEnd = -1.0;
    double processCpuS = 0.0;
    QString seriesId;
    QString runId;
};

QByteArray formatRunDescription(const RunDescription& d);

// What quelvar-fit takes from a description.
struct RunDescriptionSummary {
    int lateFrames = 0;
    double durationS = 0.0;
};

// The summary of the description `json`, provided it describes the data file
// whose bytes are `dataFile` (its SHA-256 matches); nothing otherwise, with
// the reason in *problem.
std::optional<RunDescriptionSummary> runDescriptionSummary(const QByteArray& json,
                                                           const QByteArray& dataFile,
                                                           QString* problem);

}  // namespace quelvar
