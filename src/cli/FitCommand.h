#pragma once
// quelvar-fit: fits the model to recorded runs from the command line, with the
// numbers a user of the analysis window gets from "Auto Fit" followed by
// "Save Parameters".
#include <QString>
#include <QStringList>
#include <optional>
#include <ostream>

namespace quelvar::cli {

struct FitOptions {
    QString outDir;                  // empty: beside each data file
    std::optional<QString> startFile; // parameter file giving the spinners' start positions
    bool plot = false;               // also write a PNG of both graphs
    bool thorough = false;           // also the thorough fit and its files and columns
    bool exhaustive = false;         // the thorough fit's results from every spinner position
    bool uncertainty = false;        // also the thorough fit's intervals and holdout error
    int jobs = 0;                    // threads at most; 0: one per processor
    bool noHeader = false;           // no CSV header line
    bool progress = false;           // a progress line on stderr (set when it is a terminal)
    QStringList files;
};

// What the command line asks for instead of a fit.
enum class InfoRequest { None, Help, Version };

// Parses the arguments (without the program name). On a usage error returns
// nothing and puts the reason in *problem; --help and --version return nothing
// and say so in *info.
std::optional<FitOptions> parseArguments(const QStringList& arguments, QString* problem,
                                         InfoRequest* info);

QString usageText();

// Fits every file; writes the CSV to `out` and one line per rejected file to
// `err`, each file's as soon as it and every earlier file are done. Returns
// the exit status: 0 all fitted and written, 1 any failed, 2 when an output
// would land on an input or on another output (nothing is then read or
// written).
int runFit(const FitOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quelvar::cli
