#include "cli/FitCommand.h"

#include "analysis/AnalysisSession.h"
#include "analysis/ExhaustiveFit.h"
#include "analysis/GraphPlot.h"
#include "cli/BatchDialogs.h"
#include "cli/FitJob.h"
#include "cli/FitOutput.h"
#include "cli/FitTable.h"
#include "cli/OutputCollisions.h"
#include "cli/RunTimingColumns.h"
#include "cli/ThoroughFiles.h"
#include "common/FileError.h"
#include "common/NativePath.h"
#include "common/WorkThreads.h"
#include "datafiles/PathRules.h"
#include "datafiles/RegularFile.h"

#include <QDir>
#include <algorithm>
#include <vector>

namespace quelvar::cli {
namespace {

// Retrieves the start file's spinner positions; false, with the messages on
// `err`, when it cannot be retrieved.
bool retrieveStart(const QString& path, ParameterSpinners& start, std::ostream& err)
{
    SharedState scratch;
    BatchDialogs dialogs;
    AnalysisSession session(scratch, dialogs);
    if (!session.RetrieveParametersFrom(absoluteFilePath(path))) {
        for (const QString& m : dialogs.messages)
            err << nativePath(path).toStdString() << ": " << nativePath(m).toStdString() << "\n";
        return false;
    }
    start = scratch.analysis.Spinners;
    return true;
}

// Files whose states wait together for this thread's plot or exhaustive
// fit (about 200 KB each).
constexpr std::size_t kFilesHeldAtOnce = 16;

// Replaces a fitted job's thorough result by the one from every position.
void searchEveryPosition(FileJob& job, int threads)
{
    if (!job.ok)
        return;
    const AnalysisState& a = job.state->analysis;
    job.thorough = exhaustiveFit(job.state->run, a.ModelTimeStep, SearchSpace::ofSpinners(a.Spinners),
                                 *job.thorough, threads);
}

// Everything after the fits: the thorough files, the plot, the row. The
// job's state is let go. A file whose thorough results or picture cannot be
// written still has its parameter file and its row.
FileOutcome finishFile(FileJob& job, const FitOptions& options)
{
    FileOutcome outcome{job.file, {}, std::nullopt, !job.ok};
    if (job.ok && options.thorough && !writeThoroughFiles(job))
        outcome.failed = true;
    if (job.thorough && !job.thorough->converged)
        job.messages << QStringLiteral("the thorough fit ran out of rounds before it settled: "
                                       "its result is the best it found, a better one may exist");
    if (job.ok && options.plot) {
        std::optional<ThoroughPlotData> thorough;
        if (job.thorough)
            thorough = thoroughPlotData(*job.state, *job.thorough, job.uncertainty ? &*job.uncertainty : nullptr);
        const FileResult written =
            saveAnalysisPlot(job.plotPath, *job.state, bareFileName(job.file), thorough ? &*thorough : nullptr,
                             frameIntervalStripFor(job.file, job.state->run, &job.messages));
        if (!written.ok()) {
            job.messages << written->message();
            outcome.failed = true;
        }
    }
    if (job.ok) {
        const QStringList timing = runTimingFields(job.file, &job.messages);
        outcome.row = csvRow(job, timing, options.thorough, options.uncertainty);
    }
    outcome.messages = std::move(job.messages);
    job.state.reset();
    job.thorough.reset();
    job.uncertainty.reset();
    return outcome;
}

}  // namespace

QString usageText()
{
    return QStringLiteral(
        "Usage: quelvar-fit [--out DIR] [--start PARFILE] [--plot] [--thorough | --exhaustive]\n"
        "                   [--uncertainty] [--jobs N] [--no-header] FILE...\n"
        "\n"
        "Fits the tracking model to each recorded run FILE as the analysis window's\n"
        "\"Auto Fit\" does, and writes its parameter file: FILE with the extension\n"
        "replaced by \".par\", or that name inside DIR.\n"
        "\n"
        "  --out DIR        write the parameter files (and plots) into DIR, created when missing\n"
        "  --start PARFILE  start from the spinner positions a retrieval of PARFILE sets\n"
        "                   (default: delay 2, gain 20, damping 20, reference 0)\n"
        "  --plot           also write FILE's two graphs as a PNG beside its parameter file\n"
        "  --thorough       also find the best whole spinner positions: written to\n"
        "                   <base>.thorough.par, the best for each delay to <base>.profile.csv,\n"
        "                   and ten more CSV columns\n"
        "  --exhaustive     as --thorough, with every spinner position evaluated\n"
        "  --uncertainty    as --thorough (or with --exhaustive), and also 95 % intervals\n"
        "                   for its four parameters and its error on frames it was not\n"
        "                   fitted to: ten more CSV columns\n"
        "  --jobs N         use at most N threads (default: one per processor)\n"
        "  --no-header      leave out the CSV header, for joining the tables of several runs\n"
        "  --help           show this text\n"
        "  --version        print the version\n"
        "\n"
        "Prints one CSV row per fitted file. Exit status: 0 all fitted and written,\n"
        "1 any file failed (the others are still done), 2 usage error, or an output\n"
        "would replace an input or another output (then nothing is written).\n");
}

std::optional<FitOptions> parseArguments(const QStringList& arguments, QString* problem,
                                         InfoRequest* info)
{
    FitOptions options;
    bool onlyFiles = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (!onlyFiles && (arg == "--help" || arg == "-h")) {
            *info = InfoRequest::Help;
            return std::nullopt;
        }
        if (!onlyFiles && arg == "--version") {
            *info = InfoRequest::Version;
            return std::nullopt;
        }
        if (!onlyFiles && (arg == "--out" || arg == "--start" || arg == "--jobs")) {
            if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty()) {
                *problem = arg + " needs a value";
                return std::nullopt;
            }
            const QString& value = arguments[++i];
            if (arg == "--out") {
                options.outDir = value;
            } else if (arg == "--start") {
                options.startFile = value;
            } else {
                bool number = false;
                options.jobs = value.toInt(&number);
                if (!number || options.jobs < 1) {
                    *problem = "--jobs needs a whole number of at least 1, not " + value;
                    return std::nullopt;
                }
            }
        } else if (!onlyFiles && arg == "--plot") {
            options.plot = true;
        } else if (!onlyFiles && arg == "--thorough") {
            options.thorough = true;
        } else if (!onlyFiles && arg == "--exhaustive") {
            options.thorough = true;
            options.exhaustive = true;
        } else if (!onlyFiles && arg == "--uncertainty") {
            options.thorough = true;
            options.uncertainty = true;
        } else if (!onlyFiles && arg == "--no-header") {
            options.noHeader = true;
        } else if (!onlyFiles && arg == "--") {
            onlyFiles = true;
        } else if (!onlyFiles && arg.startsWith('-') && arg != "-") {
            *problem = "unknown option " + arg;
            return std::nullopt;
        } else {
            options.files << arg;
        }
    }
    if (options.files.isEmpty()) {
        *problem = "no data file given";
        return std::nullopt;
    }
    return options;
}

int runFit(const FitOptions& options, std::ostream& out, std::ostream& err)
{
    // Where every result goes, worked out before anything is read or written.
    const QString outDir = options.outDir.isEmpty() ? QString() : QDir::cleanPath(absoluteFilePath(options.outDir));
    std::vector<FileJob> jobs(static_cast<std::size_t>(options.files.size()));
    std::vector<PlannedOutput> outputs;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        FileJob& job = jobs[i];
        job.file = options.files[static_cast<qsizetype>(i)];
        const QString parameterPath = replaceExtension(job.file, QStringLiteral(".par"));
        job.parameterPath = outDir.isEmpty()
                                ? absoluteFilePath(parameterPath)
                                : outDir + '/' + bareFileName(parameterPath);
        outputs.push_back({job.parameterPath, job.file});
        if (options.plot) {
            job.plotPath = replaceExtension(job.parameterPath, QStringLiteral(".png"));
            outputs.push_back({job.plotPath, job.file});
        }
        if (options.thorough) {
            job.thoroughPath = replaceExtension(job.parameterPath, QStringLiteral(".thorough.par"));
            job.profilePath = replaceExtension(job.parameterPath, QStringLiteral(".profile.csv"));
            outputs.push_back({job.thoroughPath, job.file});
            outputs.push_back({job.profilePath, job.file});
        }
    }
    QStringList inputs = options.files;
    if (options.startFile)
        inputs << *options.startFile;
    if (const QStringList collisions = outputCollisions(inputs, outputs); !collisions.isEmpty()) {
        for (const QString& line : collisions)
            err << "quelvar-fit: " << nativePath(line).toStdString() << "\n";
        err << "quelvar-fit: nothing was written\n";
        return 2;
    }

    ParameterSpinners start;
    if (options.startFile && !retrieveStart(*options.startFile, start, err))
        return 1;

    if (!outDir.isEmpty()) {
        if (const FileResult failed = makeFolders(outDir); !failed.ok()) {
            err << "quelvar-fit: " << nativePath(failed->message()).toStdString() << "\n";
            return 1;
        }
    }

    FitOutput output(out, err, jobs.size(), options.progress);
    if (!options.noHeader)
        output.printHeader(csvHeader(options.thorough, options.uncertainty));
    // Every file has its own state, so the fits run side by side. A plot is
    // drawn on this thread (text needs the GUI application's fonts, which
    // belong to it), and an exhaustive fit keeps every thread busy on its
    // own: files that need either are fitted a window at a time and finished
    // here, so that only a window's states are ever held. After an exhaustive
    // fit the intervals are taken around its result.
    const bool finishHere = options.plot || options.exhaustive;
    const bool uncertaintyNow = options.uncertainty && !options.exhaustive;
    const std::size_t window = finishHere ? kFilesHeldAtOnce : jobs.size();
    for (std::size_t first = 0; first < jobs.size(); first += window) {
        const std::size_t count = std::min(window, jobs.size() - first);
        runOnWorkThreads(count, options.jobs, [&](std::size_t k, int) {
            fitFile(jobs[first + k], start, options.thorough, uncertaintyNow);
            if (!finishHere)
                output.done(first + k, finishFile(jobs[first + k], options));
        });
        if (options.exhaustive) {
            for (std::size_t k = 0; k < count; ++k)
                searchEveryPosition(jobs[first + k], options.jobs);
            if (options.uncertainty)
                runOnWorkThreads(count, options.jobs, [&](std::size_t k, int) {
                    if (jobs[first + k].ok)
                        addUncertainty(jobs[first + k]);
                });
        }
        for (std::size_t k = 0; finishHere && k < count; ++k)
            output.done(first + k, finishFile(jobs[first + k], options));
    }
    return output.anyFailed() ? 1 : 0;
}

}  // namespace quelvar::cli
