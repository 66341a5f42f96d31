#pragma once
// One data file's fit in quelvar-fit: where its results go, the analysis
// state it is fitted in, and what the fits found.
#include "analysis/FitUncertainty.h"
#include "analysis/ThoroughFit.h"
#include "common/SharedState.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace quelvar::cli {

struct FileJob {
    QString file;           // as given
    QString parameterPath;  // <base>.par
    QString plotPath;       // <base>.png; empty without --plot
    QString thoroughPath;   // <base>.thorough.par; empty without a thorough fit
    QString profilePath;    // <base>.profile.csv; empty without a thorough fit
    std::unique_ptr<SharedState> state;  // while the file is worked on
    QStringList messages;
    bool ok = false;              // loaded, fitted and its parameter file written
    bool autoFitClipped = false;  // a field of Auto Fit rounds outside its spinner's range
    std::optional<ThoroughResult> thorough;
    std::optional<FitUncertainty> uncertainty;
};

// Gives the job its state, loads the file and does what a user of the
// analysis window does: the frame that shows the run, "Auto Fit", the next
// frame, "Save Parameters" to job.parameterPath. With `thorough`, then also
// the thorough fit, which never changes the window's state, and with
// `uncertainty` its intervals. A run whose errors are not finite numbers is
// refused before anything is written: its parameter file could not be read.
void fitFile(FileJob& job, const ParameterSpinners& start, bool thorough, bool uncertainty = false);

// The intervals and holdout error around a fitted job's thorough result.
void addUncertainty(FileJob& job);

}  // namespace quelvar::cli
