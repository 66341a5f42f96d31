#include "datafiles/FileIdentity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

namespace quelvar {

QString fileIdentity(const QString& path)
{
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    struct stat info {};
    if (::stat(QFile::encodeName(absolute).constData(), &info) == 0)
        return QStringLiteral("inode:%1:%2").arg(info.st_dev).arg(info.st_ino);

    QString existing = absolute;
    QString missing;
    while (!existing.isEmpty() && !QFileInfo::exists(existing)) {
        const qsizetype slash = existing.lastIndexOf(u'/');
        if (slash < 0)
            break;
        missing = existing.mid(slash) + missing;
        existing.truncate(slash);
    }
    const QString resolved =
        QFileInfo(existing.isEmpty() ? QStringLiteral("/") : existing).canonicalFilePath();
    return QStringLiteral("path:")
           + QDir::cleanPath((resolved == QStringLiteral("/") ? QString() : resolved) + missing);
}

}  // namespace quelvar
