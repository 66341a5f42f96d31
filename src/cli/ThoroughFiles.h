#pragma once
// The files a thorough fit leaves beside a run: its parameter file and its
// delay profile.
#include "cli/FitJob.h"

namespace quelvar::cli {

// Writes <base>.thorough.par and <base>.profile.csv of a fitted job; false,
// with the reasons in job.messages, when either cannot be written.
bool writeThoroughFiles(FileJob& job);

}  // namespace quelvar::cli
