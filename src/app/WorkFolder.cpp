#include "app/WorkFolder.h"

#include <QDir>
#include <QFileInfo>

namespace quelvar {

QString desktopWorkFolder(const QString& home)
{
    return QDir(home).filePath(QStringLiteral("Quelvar"));
}

bool enterWorkFolder(const QString& folder, QString* problem)
{
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir()) {
        *problem = QStringLiteral("Quelvar cannot work in %1: it is a file, not a folder.")
                       .arg(QDir::toNativeSeparators(folder));
        return false;
    }
    if (!QDir().mkpath(folder)) {
        *problem = QStringLiteral("Quelvar cannot make the folder %1.")
                       .arg(QDir::toNativeSeparators(folder));
        return false;
    }
    if (!QDir::setCurrent(folder)) {
        *problem = QStringLiteral("Quelvar cannot open the folder %1.")
                       .arg(QDir::toNativeSeparators(folder));
        return false;
    }
    return true;
}

}  // namespace quelvar
