#pragma once
// Reading a whole small file, the one way every reader here does it: only a
// regular file is read (opening a FIFO for reading could wait for ever, a
// device could be endless), never more than a cap, and names Qt cannot spell
// (bytes that are not UTF-8, see common/NativePath.h) are opened by their bytes.
#include "common/FileError.h"

#include <QByteArray>
#include <QString>

namespace quelvar {

// Puts the file's bytes in `bytes`. On failure `bytes` is empty and the result says why; *missing (when
// given) tells whether nothing at all is at `path`.
FileResult readRegularFile(const QString& path, qint64 maxBytes, QByteArray& bytes, bool* missing = nullptr);

// Whether anything at all has the name, a dangling link included: writing
// through a link would create its target, so a link is never a free name.
bool anythingAt(const QString& path);

// Creates the folder and the folders above it that are missing.
FileResult makeFolders(const QString& path);

}  // namespace quelvar
