#include "common/NativePath.h"

#include <QDir>
#include <QFileInfo>
#include <climits>
#include <unistd.h>

namespace quelvar {
namespace {

// The length of the well-formed UTF-8 character at bytes[i], or 0 when the
// byte there does not start one (stray, overlong, a surrogate, past U+10FFFF).
int utf8Length(const QByteArray& bytes, qsizetype i)
{
    const auto at = [&](qsizetype k) { return k < bytes.size() ? static_cast<unsigned char>(bytes[k]) : 0u; };
    const unsigned lead = at(i);
    const auto tail = [&](qsizetype k, unsigned low = 0x80, unsigned high = 0xBF) {
        return at(k) >= low && at(k) <= high;
    };
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return tail(i + 1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        const unsigned low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
        return tail(i + 1, low, high) && tail(i + 2) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const unsigned low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
        return tail(i + 1, low, high) && tail(i + 2) && tail(i + 3) ? 4 : 0;
    }
    return 0;
}

}  // namespace

QString pathFromNative(const QByteArray& bytes)
{
    QString path;
    path.reserve(bytes.size());
    qsizetype runStart = 0;  // start of the well-formed text not yet appended
    qsizetype i = 0;
    while (i < bytes.size()) {
        const int length = utf8Length(bytes, i);
        if (length > 0) {
            i += length;
            continue;
        }
        path += QString::fromUtf8(bytes.constData() + runStart, i - runStart);
        path += QChar(char16_t(0xDC00 + static_cast<unsigned char>(bytes[i])));
        runStart = ++i;
    }
    path += QString::fromUtf8(bytes.constData() + runStart, bytes.size() - runStart);
    return path;
}

QByteArray nativePath(const QString& path)
{
    if (qtCanName(path))
        return path.toUtf8();
    QByteArray bytes;
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (const int stray = strayByteAt(path, i)) {
            bytes += QStringView(path).mid(runStart, i - runStart).toUtf8();
            bytes += static_cast<char>(stray);
            runStart = i + 1;
        }
    }
    bytes += QStringView(path).mid(runStart).toUtf8();
    return bytes;
}

QString absoluteFilePath(const QString& path)
{
    if (qtCanName(path))
        return QFileInfo(path).absoluteFilePath();
    if (path.startsWith(u'/'))
        return QDir::cleanPath(path);
    // Qt would spell the folder it works in into a name Qt cannot spell.
    char folder[PATH_MAX];
    const QString base = ::getcwd(folder, sizeof folder) ? pathFromNative(QByteArray(folder)) : QDir::currentPath();
    return QDir::cleanPath(base + u'/' + path);
}

bool qtCanName(const QString& path)
{
    for (qsizetype i = 0; i < path.size(); ++i)
        if (strayByteAt(path, i))
            return false;
    return true;
}

}  // namespace quelvar
