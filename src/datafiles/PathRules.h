#pragma once
// Naming rules for data and parameter files. The separator is the
// platform's ("/" here); a path's extension is the part from the last "."
// that follows the last separator.
#include <QString>
#include <QStringList>

namespace quelvar {

// The part after the last separator.
QString bareFileName(const QString& path);

// Everything up to and including the last separator ("" when there is none).
QString directoryPart(const QString& path);

// Cuts the extension (if any) and appends newExtension (".par"):
// "/exp/s1.run.txt" -> "/exp/s1.run.par", "/exp.old/s1" -> "/exp.old/s1.par",
// "" -> ".par".
QString replaceExtension(const QString& path, const QString& newExtension);

// The parameter file a series writes after each run, named after the run's
// data file: "/d/subj_b.txt" -> "/d/subj_b.par".
QString seriesParameterFilePath(const QString& dataFilePath);

// The data file of run `runNumber` of a series derived from `path`: the bare
// name without extension, cut before its first "_", then "_" + the letter
// with code 96 + runNumber (low 8 bits) + ".txt", in the same folder.
// "/d/subj.txt", 2 -> "/d/subj_b.txt"; "/d/my_run.dat", 2 -> "/d/my_b.txt".
QString nextDataFilePath(const QString& path, int runNumber);

// The data files that runs `runNumber` … `lastRunNumber` of a series write
// when run `runNumber` writes `path`: that path, then the derived names.
// Just `path` when lastRunNumber is not above runNumber.
QStringList dataFilesOfRuns(const QString& path, int runNumber, int lastRunNumber);

}  // namespace quelvar
