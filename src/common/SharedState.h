#pragma once
// All state the windows and routines share, owned by one object made in
// main() (or by a test, or by the command line) and handed out by reference.
#include "common/DataFileNames.h"
#include "common/ExperimentState.h"
#include "common/ModelState.h"
#include "common/RunRecord.h"

namespace quelvar {

struct SharedState {
    ExperimentState experiment;
    RunRecord run;
    DataFileNames files;
    AnalysisState analysis;
};

}  // namespace quelvar
