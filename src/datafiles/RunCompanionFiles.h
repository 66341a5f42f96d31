#pragma once
// The two files that go beside every recorded data file: the per-frame timing
// file "<base>.frames.csv" and the run description "<base>.json", where base
// is the data file's path without its extension. Each is replaced atomically,
// and only when no file is there yet or the file there is one this program
// wrote: a file of the user's own that happens to carry the name is kept.
#include "common/FileError.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace quelvar {

QString frameTimingPath(const QString& dataFilePath);
QString runDescriptionPath(const QString& dataFilePath);

// Writes `content` to `path` unless a file that does not begin like
// `content` is there already, which is kept (and reported as the failure,
// with why it was kept).
FileResult writeCompanionFile(const QString& path, const QByteArray& content);

// The companions already beside `dataFilePath` that are not its own record
// and so must not be replaced by a run into it: a description that names
// another data file, a file Quelvar did not write, or a timing file with no
// description of ours to say whose it is. Each comes with the reason.
std::vector<FileError> companionsOfOtherFiles(const QString& dataFilePath);

}  // namespace quelvar
