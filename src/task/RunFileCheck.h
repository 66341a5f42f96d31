#pragma once
// Before a lead-in: every file the run, or the rest of its series, will
// write, checked against one another and against the files already there, so
// that no run starts that could only end by destroying a file nobody was
// asked about.
#include <QString>

namespace quelvar {

// Runs `runNumber` ... `lastRunNumber` write their data files (the first into
// `dataFilePath`, the others under the series' derived names), the timing
// file and run description beside each, and with `parameterFiles` a
// parameter file after each. Returns the error box's text when they cannot
// all be written as planned: two of them are one file, or a file there
// belongs to another run. Empty when nothing stands in the way; existing data
// files are left to the overwrite question.
QString runFilesRefusal(const QString& dataFilePath, int runNumber, int lastRunNumber,
                        bool parameterFiles);

}  // namespace quelvar
