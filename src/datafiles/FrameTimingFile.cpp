#include "datafiles/FrameTimingFile.h"

#include "datafiles/NumberFormat.h"
#include "datafiles/RegularFile.h"

#include <charconv>
#include <cmath>

namespace quelvar {
namespace {

// "3600,59.983333333,16.666667,0,-123.45,456.78\n" and a little room.
constexpr qsizetype kRowBytes = 56;
// No timing file comes near this; anything larger is not one.
constexpr qint64 kMaxTimingFileBytes = 4 * 1024 * 1024;

bool parseNumber(std::string_view field, double& value)
{
    const char* end = field.data() + field.size();
    const auto [ptr, ec] = std::from_chars(field.data(), end, value);
    return ec == std::errc() && ptr == end && std::isfinite(value);
}

// Splits `line` at commas into exactly `fields.size()` fields.
template <std::size_t N>
bool splitFields(std::string_view line, std::array<std::string_view, N>& fields)
{
    for (std::size_t i = 0; i < N; ++i) {
        const std::size_t comma = line.find(',');
        if ((comma == std::string_view::npos) != (i + 1 == N))
            return false;
        fields[i] = line.substr(0, comma);
        line.remove_prefix(comma == std::string_view::npos ? line.size() : comma + 1);
    }
    return true;
}

std::string_view nextLine(std::string_view& bytes)
{
    const std::size_t lf = bytes.find('\n');
    std::string_view line = bytes.substr(0, lf);
    bytes.remove_prefix(lf == std::string_view::npos ? bytes.size() : lf + 1);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

}  // namespace

QByteArray formatFrameTimingFile(const FrameTiming& timing, std::int64_t frequency,
                                 const RunRecord& run)
{
    QByteArray out;
    out.reserve(qsizetype(sizeof kFrameTimingHeader) + kRunFrames * kRowBytes);
    out.append(kFrameTimingHeader);
    out.append('\n');
    const double perSecond = double(frequency);
    for (int i = 1; i <= kRunFrames; ++i) {
        const std::int64_t interval = timing.intervalTicks(i);
        appendFrameTimingRow(out, i, double(timing.ticks(i) - timing.ticks(1)) / perSecond,
                             ticksToMs(interval, frequency), isLateInterval(interval, frequency),
                             run.Mouse[std::size_t(i)], run.Target[std::size_t(i)]);
    }
    return out;
}

void appendFrameTimingRow(QByteArray& out, int frame, double timeS, double intervalMs, bool late,
                          double mouse, double target)
{
    appendInteger(out, frame, 0);
    out.append(',');
    // Nanoseconds in full, so that intervals computed from the times, and
    // late flags checked against the intervals, agree with these.
    appendFixed(out, timeS, 9, 0);
    out.append(',');
    appendFixed(out, intervalMs, 6, 0);
    out.append(late ? ",1," : ",0,");
    appendFixed(out, mouse, 2, 0);
    out.append(',');
    appendFixed(out, target, 2, 0);
    out.append('\n');
}

bool parseFrameTimingFile(std::string_view bytes, FrameTimingRows& rows, QString* problem)
{
    auto fail = [problem](const QString& reason) {
        if (problem)
            *problem = reason;
        return false;
    };
    if (nextLine(bytes) != kFrameTimingHeader)
        return fail(QStringLiteral("the first line is not the timing header"));
    for (int i = 1; i <= kRunFrames; ++i) {
        std::array<std::string_view, 6> f;
        double frame = 0.0;
        if (bytes.empty() || !splitFields(nextLine(bytes), f) || !parseNumber(f[0], frame) ||
            frame != i || !parseNumber(f[1], rows.timeS[std::size_t(i)]) ||
            !parseNumber(f[2], rows.intervalMs[std::size_t(i)]) || (f[3] != "0" && f[3] != "1") ||
            !parseNumber(f[4], rows.mouse[std::size_t(i)]) ||
            !parseNumber(f[5], rows.target[std::size_t(i)]))
            return fail(QStringLiteral("row %1 is not frame %1 of a run").arg(i));
        rows.late[std::size_t(i)] = f[3] == "1";
    }
    if (!nextLine(bytes).empty() || !bytes.empty())
        return fail(QStringLiteral("it holds more than %1 frames").arg(kRunFrames));
    return true;
}

FileResult readFrameTimingFile(const QString& path, FrameTimingRows& rows, bool* missing)
{
    QByteArray bytes;
    const FileResult read = readRegularFile(path, kMaxTimingFileBytes, bytes, missing);
    if (!read.ok())
        return read;
    QString problem;
    if (!parseFrameTimingFile(std::string_view(bytes.constData(), std::size_t(bytes.size())), rows, &problem))
        return FileError{QStringLiteral("read"), path, problem};
    return std::nullopt;
}

}  // namespace quelvar
