#pragma once
// What quelvar-fit takes from the files a recorded run leaves beside its data
// file: two CSV columns from the run description, and the frame-interval
// strip under the plot from the timing file. A file that is there but does
// not belong to the data file (left from an earlier run of the same name) is
// passed over with a note.
#include "common/RunRecord.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>

namespace quelvar::cli {

inline constexpr char kRunTimingHeader[] = "late_frames,duration_s";

// late_frames and duration_s for `dataFile`; both empty without a description
// of this very file.
QStringList runTimingFields(const QString& dataFile, QStringList* notes);

// Adds the strip to a plot of `run`, or nothing without a timing file of it.
std::function<QImage(const QImage&)> frameIntervalStripFor(const QString& dataFile,
                                                           const RunRecord& run, QStringList* notes);

}  // namespace quelvar::cli
