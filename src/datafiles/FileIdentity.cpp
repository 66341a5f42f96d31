#include "datafiles/FileIdentity.h"

#include "common/NativePath.h"

#include <QDir>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>

namespace quelvar {

// Names whose bytes are not UTF-8 go to the system as the bytes they came from.
QString fileIdentity(const QString& path)
{
    const QString absolute = QDir::cleanPath(absoluteFilePath(path));
    struct stat info {};
    if (::stat(nativePath(absolute).constData(), &info) == 0)
        return QStringLiteral("inode:%1:%2").arg(info.st_dev).arg(info.st_ino);

    QString existing = absolute;
    QString missing;
    while (!existing.isEmpty() && ::stat(nativePath(existing).constData(), &info) != 0) {
        const qsizetype slash = existing.lastIndexOf(u'/');
        if (slash < 0)
            break;
        missing = existing.mid(slash) + missing;
        existing.truncate(slash);
    }
    char resolved[PATH_MAX];
    const QString folder = ::realpath(nativePath(existing.isEmpty() ? QStringLiteral("/") : existing).constData(),
                                      resolved)
                               ? pathFromNative(QByteArray(resolved))
                               : existing;
    return QStringLiteral("path:") + QDir::cleanPath((folder == QStringLiteral("/") ? QString() : folder) + missing);
}

}  // namespace quelvar
