#pragma once
// File names as the file system holds them: any bytes but "/" and NUL, not
// necessarily UTF-8. Qt's own conversion turns a byte that is not part of a
// UTF-8 character into U+FFFD, after which the file can no longer be named.
// Here such a byte b becomes the lone code unit U+DC00 + b instead, which no
// UTF-8 text produces, so every name survives the trip to QString and back.
#include <QByteArray>
#include <QString>

namespace quelvar {

// Bytes from the command line or the file system, as a QString.
QString pathFromNative(const QByteArray& bytes);

// The bytes to hand to the system for `path`; the UTF-8 of a QString that
// came from UTF-8.
QByteArray nativePath(const QString& path);

// QFileInfo(path).absoluteFilePath(), also for a name Qt cannot spell.
QString absoluteFilePath(const QString& path);

// True when Qt's own file classes can name `path` (it holds no stray byte).
bool qtCanName(const QString& path);

// The stray byte that path[i] stands for, or 0 when it stands for text (the
// low half of a character beyond U+FFFF follows its high half).
inline int strayByteAt(const QString& path, qsizetype i)
{
    const char16_t u = path[i].unicode();
    if (u < 0xDC80 || u > 0xDCFF || (i > 0 && path[i - 1].isHighSurrogate()))
        return 0;
    return u - 0xDC00;
}

}  // namespace quelvar
