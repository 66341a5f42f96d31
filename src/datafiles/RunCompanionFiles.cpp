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

bool ownFileOrNone(const QString& path, const QByteArray& content)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return true;
    if (!info.isFile())
        return false;
    QFile file(path);
    const QByteArray wanted = signature(content);
    return file.open(QIODevice::ReadOnly) && file.read(wanted.size()) == wanted;
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
    if (!ownFileOrNone(path, content))
        return FileError{QStringLiteral("replace"), path, QStringLiteral("the file there was not written by Quelvar")};
    return writeFileAtomically(path, content);
}

}  // namespace quelvar
