#pragma once
// quelvar-fit's tables: the CSV it prints, whose header and rows are built
// from one list of columns, and a thorough fit's delay profile.
#include "cli/FitJob.h"
#include "datafiles/ParameterFile.h"

#include <QByteArray>
#include <QString>

namespace quelvar::cli {

// A parameter file of the job's run with `point`'s setting and error.
ParameterFileValues parameterFileValues(const FileJob& job, const FitPoint& point);

// The CSV header and a fitted file's row, without line ends: the fit's own
// columns, the run's timing (`timing`: late_frames and duration_s), then the
// thorough columns, then the uncertainty columns.
QString csvHeader(bool thorough, bool uncertainty = false);
QString csvRow(const FileJob& job, const QStringList& timing, bool thorough, bool uncertainty = false);

// <base>.profile.csv: for each delay the best gain, damping, reference and
// model % RMS error, in the units and decimals of a parameter file.
QByteArray profileCsv(const FileJob& job);

}  // namespace quelvar::cli
