#include "datafiles/ParameterFile.h"

#include "common/NativePath.h"
#include "datafiles/FileSink.h"
#include "datafiles/NumberFormat.h"
#include "datafiles/RegularFile.h"
#include "datafiles/TextReader.h"

namespace quelvar {
namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr int kLineEndLength = 2;

ParameterFileReadResult failure(ParameterFileReadResult::Outcome outcome, const QString& reason,
                                bool headerValid = false)
{
    ParameterFileReadResult result;
    result.outcome = outcome;
    result.headerValid = headerValid;
    result.error = FileError{QStringLiteral("read"), QString(), reason};
    return result;
}

ParameterFileReadResult notNumbers(const TextReader& reader)
{
    return failure(ParameterFileReadResult::IoError,
                   QStringLiteral("line %1 holds something that is not a number").arg(reader.lineNumber()), true);
}

}  // namespace

QByteArray formatParameterFile(const QString& ownPath, const ParameterFileValues& values)
{
    QByteArray out;
    out.reserve(128 + ownPath.size() * 3);
    out.append(kParameterFileHeader);
    out.append(kLineEnd, kLineEndLength);
    // The path as the file system spells it, so that line 2 names this very file.
    // A file name may hold line ends or Ctrl-Z, which would end line 2 or the
    // whole file early on reading; those are written as "?".
    QByteArray pathLine = nativePath(ownPath);
    for (char& c : pathLine) {
        if (c == '\r' || c == '\n' || c == '\x1a')
            c = '?';
    }
    out.append(pathLine);
    out.append(kLineEnd, kLineEndLength);
    appendInteger(out, values.difficulty, 8);
    appendInteger(out, values.disturbanceNumber, 8);
    out.append(kLineEnd, kLineEndLength);
    appendFixed(out, values.inputDelay, 4, 10);
    appendFixed(out, values.outputGain, 4, 10);
    appendFixed(out, values.damping, 6, 10);
    appendFixed(out, values.reference, 4, 10);
    out.append(kLineEnd, kLineEndLength);
    appendFixed(out, values.modelRmsError, 3, 10);
    appendFixed(out, values.trackingRmsError, 3, 10);
    out.append(kLineEnd, kLineEndLength);
    return out;
}

FileResult writeParameterFile(const QString& path, const ParameterFileValues& values)
{
    return writeFileAtomically(path, formatParameterFile(path, values));
}

ParameterFileReadResult parseParameterFile(std::string_view bytes)
{
    if (static_cast<qint64>(bytes.size()) > kMaxParameterFileBytes)
        return failure(ParameterFileReadResult::IoError, QStringLiteral("too large for a parameter file"));
    TextReader reader(bytes);
    if (reader.readLine() != std::string_view(kParameterFileHeader))
        return failure(ParameterFileReadResult::NotValid, QStringLiteral("the first line is not TrackParameters"));
    // Line 2 only records where the file was written; a moved file is read all the same.
    reader.skipLine();

    ParameterFileValues v;
    if (!reader.readInteger(v.difficulty) || !reader.readInteger(v.disturbanceNumber))
        return notNumbers(reader);
    reader.skipLine();
    if (!reader.readReal(v.inputDelay) || !reader.readReal(v.outputGain)
        || !reader.readReal(v.damping) || !reader.readReal(v.reference))
        return notNumbers(reader);
    reader.skipLine();
    if (!reader.readReal(v.modelRmsError) || !reader.readReal(v.trackingRmsError))
        return notNumbers(reader);
    ParameterFileReadResult result;
    result.outcome = ParameterFileReadResult::Loaded;
    result.headerValid = true;
    result.values = v;
    return result;
}

ParameterFileReadResult readParameterFile(const QString& path)
{
    return parseRegularFile<ParameterFileReadResult>(path, kMaxParameterFileBytes, parseParameterFile);
}

}  // namespace quelvar
