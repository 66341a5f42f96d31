#include "datafiles/DataFile.h"

#include "common/DisplayText.h"
#include "datafiles/FileSink.h"
#include "datafiles/NumberFormat.h"
#include "datafiles/RegularFile.h"
#include "datafiles/TextReader.h"

#include <algorithm>

namespace quelvar {
namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr int kLineEndLength = 2;
// Bytes of a data line whose fields keep their widths: 6 + 10 + 10 + CR LF.
constexpr qsizetype kDataLineBytes = 28;
// Frames per write: small enough that a failing write is caught mid-file,
// large enough that the writes cost nothing next to the formatting.
constexpr int kFramesPerWrite = 240;

void appendHeader(QByteArray& out, std::int32_t difficulty, std::int32_t disturbanceNumber)
{
    out.append(kDataFileHeader);
    out.append(kLineEnd, kLineEndLength);
    appendInteger(out, difficulty, 8);
    appendInteger(out, disturbanceNumber, 8);
    out.append(kLineEnd, kLineEndLength);
}

DataFileReadResult failure(DataFileReadResult result, DataFileReadResult::Outcome outcome,
                           const QString& reason)
{
    result.outcome = outcome;
    result.error = FileError{QStringLiteral("read"), QString(), reason};
    return result;
}

QString notNumbers(const TextReader& reader)
{
    return QStringLiteral("line %1 holds something that is not a number").arg(reader.lineNumber());
}

void appendFrames(QByteArray& out, const RunRecord& run, int first, int last)
{
    for (int i = first; i <= last; ++i) {
        appendInteger(out, i, 6);
        appendFixed(out, run.Mouse[i], 2, 10);
        appendFixed(out, run.Target[i], 2, 10);
        out.append(kLineEnd, kLineEndLength);
    }
}

}  // namespace

QByteArray formatDataFile(std::int32_t difficulty, std::int32_t disturbanceNumber,
                          const RunRecord& run)
{
    QByteArray out;
    out.reserve(64 + kRunFrames * kDataLineBytes);
    appendHeader(out, difficulty, disturbanceNumber);
    appendFrames(out, run, 1, kRunFrames);
    return out;
}

FileResult writeDataFile(const QString& path, std::int32_t difficulty,
                         std::int32_t disturbanceNumber, const RunRecord& run)
{
    FileSink sink(path);
    if (!sink.open())
        return sink.error();
    QByteArray chunk;
    chunk.reserve(64 + kFramesPerWrite * kDataLineBytes);
    appendHeader(chunk, difficulty, disturbanceNumber);
    if (!sink.write(chunk))
        return sink.error();
    for (int first = 1; first <= kRunFrames; first += kFramesPerWrite) {
        chunk.clear();
        appendFrames(chunk, run, first, std::min(first + kFramesPerWrite - 1, kRunFrames));
        if (!sink.write(chunk))
            return sink.error();
    }
    if (!sink.commit())
        return sink.error();
    return std::nullopt;
}

DataFileReadResult parseDataFile(std::string_view bytes, RunRecord& run)
{
    DataFileReadResult result;
    if (static_cast<qint64>(bytes.size()) > kMaxDataFileBytes)
        return failure(result, DataFileReadResult::IoError, QStringLiteral("too large for a data file"));
    TextReader reader(bytes);
    if (reader.readLine() != std::string_view(kDataFileHeader))
        return failure(result, DataFileReadResult::NotValid, QStringLiteral("the first line is not TrackData"));
    result.headerValid = true;

    std::int32_t difficulty = 0;
    std::int32_t disturbanceNumber = 0;
    if (!reader.readInteger(difficulty) || !reader.readInteger(disturbanceNumber))
        return failure(result, DataFileReadResult::IoError, notNumbers(reader));
    result.identityRead = true;
    result.difficulty = difficulty;
    result.disturbanceNumber = disturbanceNumber;
    reader.skipLine();

    // Read into copies so that a file rejected halfway leaves the run whole.
    FrameArray mouse = run.Mouse;
    FrameArray target = run.Target;

    const QString wrongCount = QStringLiteral("it does not hold frames 1 to %1").arg(kRunFrames);
    int frames = 0;
    std::int32_t lastFrameNumber = 0;
    while (!reader.atEnd()) {
        if (frames == kRunFrames)
            return failure(result, DataFileReadResult::WrongCount, wrongCount);
        std::int32_t frameNumber = 0;
        double mouseValue = 0.0;
        double targetValue = 0.0;
        if (!reader.readInteger(frameNumber) || !reader.readReal(mouseValue)
            || !reader.readReal(targetValue))
            return failure(result, DataFileReadResult::IoError, notNumbers(reader));
        reader.skipLine();
        ++frames;
        mouse[frames] = mouseValue;
        target[frames] = targetValue;
        lastFrameNumber = frameNumber;
    }
    if (frames == 0 || lastFrameNumber != kRunFrames)
        return failure(result, DataFileReadResult::WrongCount, wrongCount);

    run.Mouse = mouse;
    run.Target = target;
    for (int k = 1; k <= kRunFrames; ++k)
        run.Error[k] = run.Target[k] - run.Mouse[k];
    ComputeMagnifiedRunError(run);
    result.outcome = DataFileReadResult::Loaded;
    return result;
}

DataFileReadResult readDataFile(const QString& path, RunRecord& run)
{
    return parseRegularFile<DataFileReadResult>(path, kMaxDataFileBytes,
                                                [&](std::string_view bytes) { return parseDataFile(bytes, run); });
}

QString wrongCountMessage()
{
    const ShortText count = formatIntField(kRunFrames, 4);
    return QStringLiteral("Number of data points not equal to")
           + QString::fromLatin1(count.data, count.size) + QStringLiteral(". Load aborted.");
}

}  // namespace quelvar
