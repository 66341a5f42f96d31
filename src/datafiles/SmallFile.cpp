#include "datafiles/SmallFile.h"

#include <QFile>
#include <QFileInfo>

namespace quelvar {

FileResult readSmallFile(const QString& path, qint64 maxBytes, const QString& kind, QByteArray& bytes)
{
    auto failure = [&path](const QString& reason) { return FileError{QStringLiteral("read"), path, reason}; };
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return failure(QStringLiteral("No such file or directory"));
    if (!info.isFile())
        return failure(QStringLiteral("not a regular file"));
    const QString tooLarge = QStringLiteral("too large for a %1").arg(kind);
    if (info.size() > maxBytes)
        return failure(tooLarge);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failure(file.errorString());
    // The size seen above may have changed since; never read more than the cap.
    bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return failure(file.errorString());
    if (bytes.size() > maxBytes)
        return failure(tooLarge);
    return std::nullopt;
}

}  // namespace quelvar
