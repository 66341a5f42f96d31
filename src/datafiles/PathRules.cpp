#include "datafiles/PathRules.h"

namespace quelvar {
namespace {

constexpr QChar kSeparator = u'/';

// Index of the "." that starts the extension, or -1 when the bare name has none.
qsizetype extensionStart(const QString& path)
{
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot > path.lastIndexOf(kSeparator) ? dot : -1;
}

}  // namespace

QString bareFileName(const QString& path)
{
    return path.mid(path.lastIndexOf(kSeparator) + 1);
}

QString directoryPart(const QString& path)
{
    return path.left(path.lastIndexOf(kSeparator) + 1);
}

QString replaceExtension(const QString& path, const QString& newExtension)
{
    const qsizetype dot = extensionStart(path);
    return (dot < 0 ? path : path.left(dot)) + newExtension;
}

QString seriesParameterFilePath(const QString& dataFilePath)
{
    return replaceExtension(dataFilePath, QStringLiteral(".par"));
}

QString nextDataFilePath(const QString& path, int runNumber)
{
    QString base = bareFileName(path);
    const qsizetype dot = extensionStart(base);
    if (dot >= 0)
        base.truncate(dot);
    const qsizetype underscore = base.indexOf(u'_');
    if (underscore >= 0)
        base.truncate(underscore);
    // The run letter wraps on 8 bits like the character arithmetic it copies:
    // run 1 is "a", run 15 is "o", and nothing can step outside one byte.
    const auto letter = QChar(static_cast<char16_t>(static_cast<unsigned>(96 + runNumber) & 0xFFu));
    return directoryPart(path) + base + u'_' + letter + QStringLiteral(".txt");
}

QStringList dataFilesOfRuns(const QString& path, int runNumber, int lastRunNumber)
{
    QStringList paths{path};
    for (int n = runNumber + 1; n <= lastRunNumber; ++n)
        paths << nextDataFilePath(path, n);
    return paths;
}

}  // namespace quelvar
