#pragma once
// The current data file, shared by both windows, and the analysis window's
// copy of the identity (difficulty, disturbance number) of the last file read.
#include <QString>
#include <cstdint>

namespace quelvar {

struct DataFileNames {
    QString DataFilePath;   // full path of the current data file
    QString DataFileName;   // its bare name; empty when the user declined to overwrite
    std::int32_t LoadedDifficulty = 0;
    std::int32_t LoadedDisturbanceNumber = 0;
};

}  // namespace quelvar
