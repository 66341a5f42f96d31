#pragma once
// All state the windows and routines share, owned by one object made in
// main() (or by a test, or by the command line) and handed out by reference.
#include "analysis/ModelState.h"
#include "datafiles/DataFileNames.h"
#include "task/ExperimentState.h"
#include "task/RunRecord.h"

namespace quelvar {

struct SharedState {
    ExperimentState experiment;
    RunRecord run;
    DataFileNames files;
    AnalysisState analysis;
};

}  // namespace quelvar
