#pragma once
// The tracking data file: "TrackData", then difficulty and disturbance number,
// then one line per recorded frame (frame, mouse, target). Every line ends
// with CR LF.
#include "common/FileError.h"
#include "common/RunRecord.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <string_view>

namespace quelvar {

inline constexpr char kDataFileHeader[] = "TrackData";
// The file dialogs' filter for data files: description, then pattern.
inline constexpr char kDataFileFilter[] = "Text files (*.txt)|*.txt";
// Files larger than this are no data files; reading stops with an I/O error.
inline constexpr qint64 kMaxDataFileBytes = 16 * 1024 * 1024;

// The complete file text for a run.
QByteArray formatDataFile(std::int32_t difficulty, std::int32_t disturbanceNumber,
                          const RunRecord& run);

// Writes the file atomically; on any failure nothing at path has changed.
FileResult writeDataFile(const QString& path, std::int32_t difficulty,
                   std::int32_t disturbanceNumber, const RunRecord& run);

struct DataFileReadResult {
    enum Outcome {
        Loaded,      // run updated
        NotFound,    // no file at path
        NotValid,    // first line is not exactly "TrackData"
        WrongCount,  // last frame number not 3600, no data line, or more than 3600 lines
        IoError,     // unreadable file or a field that is not a number
    };
    Outcome outcome = IoError;
    // Line 1 was read and is exactly "TrackData" (the window then shows the name).
    bool headerValid = false;
    // Line 2's two integers were read (even if a later line failed).
    bool identityRead = false;
    std::int32_t difficulty = 0;
    std::int32_t disturbanceNumber = 0;
    // Unless Loaded: what went wrong (the path is empty for text in memory).
    FileError error;
};

// Reads a data file. Only when the outcome is Loaded is `run` changed: the
// data lines read replace Mouse and Target from frame 1 on (frames not reached
// keep their values), and Error and MagnifiedRunError are recomputed for all
// 3600 frames. Any other outcome leaves `run` exactly as it was.
DataFileReadResult readDataFile(const QString& path, RunRecord& run);

// The same rules on text already in memory (the file's bytes).
DataFileReadResult parseDataFile(std::string_view bytes, RunRecord& run);

// "Number of data points not equal to3600. Load aborted."
QString wrongCountMessage();

}  // namespace quelvar
