#include "datafiles/RunCompanionFiles.h"

#include "datafiles/FileSink.h"
#include "datafiles/FrameTimingFile.h"
#include "datafiles/PathRules.h"
#include "datafiles/RegularFile.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <optional>

namespace quelvar {
namespace {

// Both formats begin with a first line that no other file is likely to
// share: the timing header, or the JSON object's "program" member.
QByteArray signature(const QByteArray& content)
{
    const qsizetype firstLine = content.indexOf('\n');
    const qsizetype secondLine = content.indexOf('\n', firstLine + 1);
    return content.left(content.startsWith('{') ? secondLine + 1 : firstLine + 1);
}

// Empty when `path` is free or holds a file this program wrote in the
// format of `content`; otherwise why it must be kept.
QString whyKept(const QString& path, const QByteArray& content)
{
    if (!anythingAt(path))
        return {};
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("a folder of that name is in the way");
    if (!info.isFile())
        return QStringLiteral("something that is not a file has its name");
    QFile file(path);
    const QByteArray wanted = signature(content);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("the file there cannot be read (%1)").arg(file.errorString());
    if (file.read(wanted.size()) != wanted)
        return QStringLiteral("a file of that name that Quelvar did not write is kept");
    return {};
}

// The data file a description of ours names; nothing when the file is not one.
std::optional<QString> describedDataFile(const QString& descriptionPath)
{
    // A description is a few kilobytes; the limit keeps a stray large file out.
    constexpr qint64 kMaxDescriptionBytes = 1024 * 1024;
    QByteArray bytes;
    if (!readRegularFile(descriptionPath, kMaxDescriptionBytes, bytes).ok())
        return std::nullopt;
    const QJsonObject o = QJsonDocument::fromJson(bytes).object();
    const QJsonValue dataFile = o.value(QStringLiteral("data_file"));
    if (o.value(QStringLiteral("program")).toString() != QStringLiteral("Quelvar") || !dataFile.isString())
        return std::nullopt;
    return dataFile.toString();
}

}  // namespace

QString frameTimingPath(const QString& dataFilePath)
{
    return replaceExtension(dataFilePath, QStringLiteral(".frames.csv"));
}

QString runDescriptionPath(const QString& dataFilePath)
{
    return replaceExtension(dataFilePath, QStringLiteral(".json"));
}

FileResult writeCompanionFile(const QString& path, const QByteArray& content)
{
    const QString kept = whyKept(path, content);
    if (!kept.isEmpty())
        return FileError{QStringLiteral("replace"), path, kept};
    return writeFileAtomically(path, content);
}

std::vector<FileError> companionsOfOtherFiles(const QString& dataFilePath)
{
    const QString self = bareFileName(dataFilePath);
    const QString descriptionPath = runDescriptionPath(dataFilePath);
    const QString framesPath = frameTimingPath(dataFilePath);
    std::vector<FileError> refused;
    auto refuse = [&refused](const QString& path, const QString& reason) {
        refused.push_back({QStringLiteral("replace"), path, reason});
    };
    const QString notOurs = QStringLiteral("Quelvar did not write it");

    // Both companions share one name stem, so a description tells whose the
    // pair is; "p3.day1" and "p3.day2" would otherwise take each other's.
    std::optional<QString> owner;
    if (anythingAt(descriptionPath)) {
        owner = describedDataFile(descriptionPath);
        if (!owner)
            refuse(descriptionPath, notOurs);
        else if (*owner != self)
            refuse(descriptionPath, QStringLiteral("it is the run description of %1").arg(*owner));
    }
    if (anythingAt(framesPath)) {
        const QByteArray header = QByteArray(kFrameTimingHeader) + '\n';
        if (!whyKept(framesPath, header).isEmpty())
            refuse(framesPath, notOurs);
        else if (!owner)
            refuse(framesPath,
                   QStringLiteral("no run description of Quelvar beside it says whose it is"));
        else if (*owner != self)
            refuse(framesPath, QStringLiteral("it is the timing file of %1").arg(*owner));
    }
    return refused;
}

}  // namespace quelvar
