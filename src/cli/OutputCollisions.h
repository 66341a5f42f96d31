#pragma once
// quelvar-fit writes several files for every data file it is given. Before
// anything is written, this finds the outputs that would land on an input or
// on another output: the file system, not the spelling, decides what is the
// same file.
#include <QString>
#include <QStringList>
#include <vector>

namespace quelvar::cli {

struct PlannedOutput {
    QString path;     // as it will be opened
    QString forFile;  // the data file it belongs to, as the user gave it
};

// One line for every output that meets an input or an earlier output, naming
// the files involved; empty when every output goes to a file of its own.
QStringList outputCollisions(const QStringList& inputs, const std::vector<PlannedOutput>& outputs);

}  // namespace quelvar::cli
