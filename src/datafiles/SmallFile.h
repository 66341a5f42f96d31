#pragma once
// Reads the whole of a file that the program knows to be small, refusing
// anything that is no regular file (a pipe could block for ever, a device
// never ends) or that is larger than the format allows.
#include "common/FileError.h"

#include <QByteArray>
#include <QString>

namespace quelvar {

// The bytes of `path` in `bytes`, or what stopped them being read (a missing
// file included). `kind` names the format in the reason for a file too large.
FileResult readSmallFile(const QString& path, qint64 maxBytes, const QString& kind, QByteArray& bytes);

}  // namespace quelvar
