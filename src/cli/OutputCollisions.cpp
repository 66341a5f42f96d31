#include "cli/OutputCollisions.h"

#include "common/NativePath.h"

#include <QDir>
#include <climits>
#include <cstdlib>
#include <map>
#include <sys/stat.h>

namespace quelvar::cli {
namespace {

// What a path reaches. An existing file is known by its device and inode, so
// "./x.txt", "sub/../x.txt", a symbolic link and a hard link to it all meet.
// A file still to be made is known by its cleaned absolute path with the
// deepest existing folder resolved, so a linked folder meets its target.
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

}  // namespace

QStringList outputCollisions(const QStringList& inputs, const std::vector<PlannedOutput>& outputs)
{
    std::map<QString, QString> inputByIdentity;
    for (const QString& input : inputs)
        inputByIdentity.emplace(fileIdentity(input), input);

    QStringList problems;
    std::map<QString, const PlannedOutput*> outputByIdentity;
    for (const PlannedOutput& output : outputs) {
        const QString identity = fileIdentity(output.path);
        if (const auto input = inputByIdentity.find(identity); input != inputByIdentity.end()) {
            problems << QStringLiteral("%1 (from %2) would replace the input file %3")
                            .arg(output.path, output.forFile, input->second);
            continue;
        }
        const auto [earlier, isNew] = outputByIdentity.emplace(identity, &output);
        if (!isNew) {
            problems << QStringLiteral("%1 (from %2) and %3 (from %4) are the same file")
                            .arg(earlier->second->path, earlier->second->forFile, output.path, output.forFile);
        }
    }
    return problems;
}

}  // namespace quelvar::cli
