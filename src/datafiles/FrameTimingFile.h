#pragma once
// The per-frame timing file beside a data file: a header line, then one row
// per recorded frame with the time it was drawn (seconds since frame 1), the
// interval since the frame before it (the first measured from the last lead-in
// frame), whether that interval was late, and the mouse and target positions
// as the data file holds them. Plain CSV: "." decimals, LF line ends.
#include "common/FileError.h"
#include "common/FrameTiming.h"
#include "common/RunRecord.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <string_view>

namespace quelvar {

inline constexpr char kFrameTimingHeader[] = "frame,time_s,interval_ms,late,mouse,target";

QByteArray formatFrameTimingFile(const FrameTiming& timing, std::int64_t frequency,
                                 const RunRecord& run);
// One row of that file: time since frame 1 in seconds, interval in milliseconds.
void appendFrameTimingRow(QByteArray& out, int frame, double timeS, double intervalMs, bool late,
                          double mouse, double target);

// A timing file read back, indexed by frame 1 ... 3600.
struct FrameTimingRows {
    std::array<double, kRunFrames + 1> timeS{};
    std::array<double, kRunFrames + 1> intervalMs{};
    std::array<bool, kRunFrames + 1> late{};
    std::array<double, kRunFrames + 1> mouse{};
    std::array<double, kRunFrames + 1> target{};
};

// False, with the reason in *problem, unless `bytes` is a timing file of
// exactly the 3600 frames in order (LF or CR LF line ends).
bool parseFrameTimingFile(std::string_view bytes, FrameTimingRows& rows, QString* problem);
// Only a regular file is read; *missing (when given) tells whether nothing is at path.
FileResult readFrameTimingFile(const QString& path, FrameTimingRows& rows, bool* missing = nullptr);

}  // namespace quelvar
