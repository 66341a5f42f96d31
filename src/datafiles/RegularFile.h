#pragma once
// Reading a whole small file, the one way every reader here does it: only a
// regular file is read (opening a FIFO for reading could wait for ever, a
// device could be endless), never more than a cap, and names Qt cannot spell
// (bytes that are not UTF-8, see common/NativePath.h) are opened by their bytes.
#include "common/FileError.h"

#include <QByteArray>
#include <QString>
#include <string_view>

namespace quelvar {

// Puts the file's bytes in `bytes`. On failure `bytes` is empty and the result says why; *missing (when
// given) tells whether nothing at all is at `path`.
FileResult readRegularFile(const QString& path, qint64 maxBytes, QByteArray& bytes, bool* missing = nullptr);

// A reader's whole path: the file's bytes from readRegularFile handed to
// `parse`, whose Result names the file when it fails. A file that cannot be
// read gives Result's NotFound when nothing is at `path`, else its IoError.
template <class Result, class Parse>
Result parseRegularFile(const QString& path, qint64 maxBytes, Parse&& parse)
{
    QByteArray bytes;
    bool missing = false;
    Result result;
    if (const FileResult read = readRegularFile(path, maxBytes, bytes, &missing); !read.ok()) {
        result.outcome = missing ? Result::NotFound : Result::IoError;
        result.error = *read;
        return result;
    }
    result = parse(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    result.error.path = path;
    return result;
}

// Whether anything at all has the name, a dangling link included: writing
// through a link would create its target, so a link is never a free name.
bool anythingAt(const QString& path);

// Creates the folder and the folders above it that are missing.
FileResult makeFolders(const QString& path);

}  // namespace quelvar
