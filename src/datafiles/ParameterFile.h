#pragma once
// The parameter file: five CR LF lines: "TrackParameters", the file's own
// path, difficulty and disturbance number, the four model parameters in model
// units (delay, gain, damping, reference) and the two % RMS errors.
#include "common/FileError.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <string_view>

namespace quelvar {

inline constexpr char kParameterFileHeader[] = "TrackParameters";
inline constexpr qint64 kMaxParameterFileBytes = 1024 * 1024;

// Values as they stand in a parameter file (model units on line 4).
struct ParameterFileValues {
    std::int32_t difficulty = 0;
    std::int32_t disturbanceNumber = 0;
    double inputDelay = 0.0;   // frames
    double outputGain = 0.0;   // gain
    double damping = 0.0;      // damping constant
    double reference = 0.0;    // position units
    double modelRmsError = 0.0;
    double trackingRmsError = 0.0;
};

// The complete file text; ownPath goes on line 2.
QByteArray formatParameterFile(const QString& ownPath, const ParameterFileValues& values);

// Writes the file atomically; on any failure nothing at path has changed.
FileResult writeParameterFile(const QString& path, const ParameterFileValues& values);

struct ParameterFileReadResult {
    enum Outcome { Loaded, NotFound, NotValid, IoError };
    Outcome outcome = IoError;
    // Line 1 was read and is exactly "TrackParameters" (the window then shows the name).
    bool headerValid = false;
    ParameterFileValues values;  // meaningful only when Loaded
    FileError error;             // unless Loaded: what went wrong
};

ParameterFileReadResult readParameterFile(const QString& path);
ParameterFileReadResult parseParameterFile(std::string_view bytes);

}  // namespace quelvar
