#pragma once
// The current data file, shared by both windows, and the analysis window's
// copy of the identity (difficulty, disturbance number) of the last file read.
#include <QString>
#include <QStringList>
#include <cstdint>

namespace quelvar {

struct DataFileNames {
    QString DataFilePath;   // full path of the current data file
    QString DataFileName;   // its bare name; empty when the user declined to overwrite
    // True while DataFilePath is a file chosen in the save dialog for this
    // data collection (or a series name derived from it). A name that came
    // from the analysis window's open dialog is never written by a run.
    bool ChosenForRecording = false;
    // Existing files the experimenter agreed to replace in this data
    // collection. A file leaves the list when a run has been written into it:
    // the next run that would replace it asks again.
    QStringList ReplaceAgreed;

    // A run may be recorded into DataFilePath: it was chosen for recording
    // and the user did not decline to overwrite it.
    bool hasRecordingTarget() const { return ChosenForRecording && !DataFileName.isEmpty(); }
    std::int32_t LoadedDifficulty = 0;
    std::int32_t LoadedDisturbanceNumber = 0;
};

}  // namespace quelvar
