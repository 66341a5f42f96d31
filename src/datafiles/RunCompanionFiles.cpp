#include "datafiles/RunCompanionFiles.h"

#include "datafiles/FileSink.h"
#include "datafiles/PathRules.h"

#include <QFile>
#include <QFileInfo>

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
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return {};
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

}  // namespace quelvar
