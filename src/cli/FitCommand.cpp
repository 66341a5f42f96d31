#include "cli/FitCommand.h"

#include "analysis/AnalysisSession.h"
#include "analysis/GraphPlot.h"
#include "cli/RunTimingColumns.h"
#include "datafiles/NumberFormat.h"
#include "datafiles/PathRules.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace quelvar::cli {
namespace {

// Dialogs for a run without windows: boxes become lines on stderr, nothing
// is ever confirmed or chosen interactively.
class BatchDialogs : public Dialogs {
public:
    QStringList messages;

    void information(const QString& text) override { messages << text; }
    void error(const QString& text) override { messages << text; }
    bool confirm(const QString&) override { return true; }
    std::optional<QString> openFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<QString> saveFile(const FileDialogRequest&) override { return std::nullopt; }
};

struct FileJob {
    QString file;
    QString parameterPath;
    std::unique_ptr<SharedState> state = std::make_unique<SharedState>();
    QStringList messages;
    bool ok = false;
};

QString csvField(const QString& text)
{
    if (!text.contains(',') && !text.contains('"') && !text.contains('\n') && !text.contains('\r'))
        return text;
    QString quoted = text;
    quoted.replace('"', QStringLiteral("\"\""));
    return '"' + quoted + '"';
}

QString trimmedFixed(double value, int decimals)
{
    return QString::fromLatin1(formatFixed(value, decimals, 0).trimmed());
}

void fitOne(FileJob& job, const ParameterSpinners& start)
{
    BatchDialogs dialogs;
    SharedState& state = *job.state;
    AnalysisSession session(state, dialogs);
    state.analysis.Spinners = start;

    if (!session.LoadDataFile(QFileInfo(job.file).absoluteFilePath())) {
        job.messages = dialogs.messages;
        return;
    }
    // The frame that shows the loaded run, "Auto Fit", the next frame, then
    // "Save Parameters".
    session.AnalysisFrame();
    session.AutoFitBtnClick();
    session.AnalysisFrame();
    state.analysis.ParamFilePath = job.parameterPath;
    state.analysis.ParamFileName = bareFileName(job.parameterPath);
    session.WriteParameterFile();
    job.messages = dialogs.messages;
    job.ok = dialogs.messages.isEmpty();
}

}  // namespace

QString usageText()
{
    return QStringLiteral(
        "Usage: quelvar-fit [--out DIR] [--start PARFILE] [--plot] FILE...\n"
        "\n"
        "Fits the tracking model to each recorded run FILE as the analysis window's\n"
        "\"Auto Fit\" does, and writes its parameter file: FILE with the extension\n"
        "replaced by \".par\", or that name inside DIR.\n"
        "\n"
        "  --out DIR        write the parameter files (and plots) into DIR, created when missing\n"
        "  --start PARFILE  start from the spinner positions a retrieval of PARFILE sets\n"
        "                   (default: delay 2, gain 20, damping 20, reference 0)\n"
        "  --plot           also write FILE's two graphs as a PNG beside its parameter file\n"
        "  --help           show this text\n"
        "  --version        print the version\n"
        "\n"
        "Prints one CSV row per fitted file. Exit status: 0 all fitted and written,\n"
        "1 any file failed (the others are still done), 2 usage error.\n");
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
        if (!onlyFiles && (arg == "--out" || arg == "--start")) {
            if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty()) {
                *problem = arg + " needs a value";
                return std::nullopt;
            }
            if (arg == "--out")
                options.outDir = arguments[++i];
            else
                options.startFile = arguments[++i];
        } else if (!onlyFiles && arg == "--plot") {
            options.plot = true;
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
    ParameterSpinners start;
    if (options.startFile) {
        SharedState scratch;
        BatchDialogs dialogs;
        AnalysisSession session(scratch, dialogs);
        if (!session.RetrieveParametersFrom(QFileInfo(*options.startFile).absoluteFilePath())) {
            for (const QString& m : dialogs.messages)
                err << options.startFile->toStdString() << ": " << m.toStdString() << "\n";
            return 1;
        }
        start = scratch.analysis.Spinners;
    }

    QString outDir;
    if (!options.outDir.isEmpty()) {
        if (!QDir().mkpath(options.outDir)) {
            err << "quelvar-fit: cannot create folder " << options.outDir.toStdString() << "\n";
            return 1;
        }
        outDir = QDir(options.outDir).absolutePath();
    }

    std::vector<FileJob> jobs(static_cast<std::size_t>(options.files.size()));
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        FileJob& job = jobs[i];
        job.file = options.files[static_cast<qsizetype>(i)];
        const QString parameterPath = replaceExtension(job.file, QStringLiteral(".par"));
        job.parameterPath = outDir.isEmpty()
                                ? QFileInfo(parameterPath).absoluteFilePath()
                                : outDir + '/' + bareFileName(parameterPath);
    }

    // Every file has its own state, so the fits can run side by side; the
    // output is printed afterwards in the order the files were given.
    std::atomic<std::size_t> next{0};
    auto worker = [&] {
        for (std::size_t i = next++; i < jobs.size(); i = next++)
            fitOne(jobs[i], start);
    };
    const unsigned threads = std::clamp<unsigned>(std::thread::hardware_concurrency(), 1u,
                                                  static_cast<unsigned>(jobs.size()));
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t)
        pool.emplace_back(worker);
    worker();
    for (std::thread& t : pool)
        t.join();

    int status = 0;
    // Text drawing needs the GUI application's fonts, which belong to this
    // thread: the pictures are drawn here, after the fits. A run whose picture
    // cannot be written still has its parameter file and its row.
    if (options.plot) {
        for (FileJob& job : jobs) {
            if (!job.ok)
                continue;
            const QString png = replaceExtension(job.parameterPath, QStringLiteral(".png"));
            QString reason;
            if (!saveAnalysisPlot(png, *job.state, bareFileName(job.file), &reason,
                                  frameIntervalStripFor(job.file, job.state->run, &job.messages))) {
                job.messages << QStringLiteral("cannot write plot %1: %2").arg(png, reason);
                status = 1;
            }
        }
    }

    out << "file,difficulty,disturbance,delay,gain,damping,reference,model_rms,tracking_rms,"
        << kRunTimingHeader << "\n";
    for (FileJob& job : jobs) {
        const QStringList timing = job.ok ? runTimingFields(job.file, &job.messages) : QStringList();
        for (const QString& m : job.messages)
            err << job.file.toStdString() << ": " << m.toStdString() << "\n";
        if (!job.ok) {
            status = 1;
            continue;
        }
        // The row carries the numbers the parameter file was written with.
        const ParameterFileValues v = parameterFileValues(*job.state);
        const QStringList row = QStringList{
            csvField(job.file),
            QString::number(v.difficulty),
            QString::number(v.disturbanceNumber),
            trimmedFixed(v.inputDelay, 4),
            trimmedFixed(v.outputGain, 4),
            trimmedFixed(v.damping, 6),
            trimmedFixed(v.reference, 4),
            trimmedFixed(v.modelRmsError, 3),
            trimmedFixed(v.trackingRmsError, 3),
        } + timing;
        out << row.join(',').toStdString() << "\n";
    }
    out.flush();
    return status;
}

}  // namespace quelvar::cli
