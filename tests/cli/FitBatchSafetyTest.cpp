// quelvar-fit in a long, hostile batch: rows appear in order as soon as they
// are ready, a plot is replaced only whole, pipes named like companions and
// runs too large to fit cost nothing else, and names that are not UTF-8 are
// fitted. (Threads the system refuses: FitCommand.Exhaustive*.)
#include "cli/FitCommand.h"
#include "common/NativePath.h"
#include "datafiles/DataFile.h"
#include "datafiles/FileSink.h"
#include "datafiles/RegularFile.h"
#include "support/FitRunner.h"
#include "support/TestFiles.h"

#include <QFileInfo>
#include <gtest/gtest.h>
#include <functional>
#include <sstream>
#include <sys/stat.h>  // mkfifo

using namespace quelvar;
using namespace quelvar::test;

namespace {

// Output whose every flush is shown to `onFlush`.
struct WatchedBuffer : std::stringbuf {
    std::function<void(const std::string&)> onFlush;
    int sync() override { return onFlush ? (onFlush(str()), 0) : 0; }
};

FitResult fitHere(const cli::FitOptions& options,
                  const std::function<void(const std::string&)>& onFlush = {})
{
    WatchedBuffer outBuffer;
    outBuffer.onFlush = onFlush;
    std::ostream out(&outBuffer);
    std::ostringstream err;
    const int status = cli::runFit(options, out, err);
    return {status, QString::fromStdString(outBuffer.str()), QString::fromStdString(err.str())};
}

// Files of a model-generated run in `f`, by name.
QStringList writeRuns(const TempFolder& f, const QStringList& names)
{
    QStringList paths;
    for (const QString& name : names) {
        EXPECT_TRUE(fileOk(writeDataFile(f.path(name), 3, 1, modelGeneratedRun())));
        paths << f.path(name);
    }
    return paths;
}

}  // namespace

TEST(FitBatchSafety, RowsStreamInOrderUnderAProgressLineThatOnlyATerminalGets)
{
    TempFolder f;
    cli::FitOptions options;
    options.files = writeRuns(f, {"a.txt", "b.txt"});
    options.files.insert(1, f.path("missing.txt"));
    options.jobs = 1;
    const FitResult quiet = fitHere(options);
    options.progress = true;
    ASSERT_TRUE(QFile::remove(f.path("b.par")));
    // When a row is out, the later files are not fitted yet: a batch stopped
    // there has printed every row it finished.
    QStringList seen;
    const FitResult shown = fitHere(options, [&](const std::string& out) {
        if (std::count(out.begin(), out.end(), '\n') == 2)
            seen << QStringLiteral("b.par %1").arg(QFileInfo::exists(f.path("b.par")));
    });
    EXPECT_EQ(seen, QStringList{"b.par 0"});
    EXPECT_EQ(shown.out, quiet.out);
    const QString missing = f.path("missing.txt");
    EXPECT_EQ(quiet.err, missing + ": cannot read " + missing + ": No such file or directory\n");
    EXPECT_TRUE(shown.err.startsWith("\r\x1b[K0 of 3 files, 0:00 elapsed"))
        << shown.err.toStdString();
    for (const QString& part : QStringList{"\r\x1b[K1 of 3 files, ", " left",
                                           "\r\x1b[K" + quiet.err, "\r\x1b[K3 of 3 files"})
        EXPECT_TRUE(shown.err.contains(part)) << part.toStdString();
    EXPECT_TRUE(shown.err.endsWith("elapsed\r\x1b[K")) << "cleared at the end";
}

TEST(FitBatchSafety, AFailedPlotWriteKeepsTheEarlierPictureAndSaysWhereAndWhy)
{
    TempFolder f;
    cli::FitOptions options;
    options.files = writeRuns(f, {"run.txt"});
    options.plot = true;
    writeAll(f.path("run.png"), "an earlier picture");
    FileSink::injectFaults({false, 2, false});  // the parameter file is write 1, the picture write 2
    const FitResult r = fitHere(options);
    FileSink::clearFaults();
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("cannot write " + f.path("run.png") + ": Injected failure to write"))
        << r.err.toStdString();
    EXPECT_EQ(readAll(f.path("run.png")), "an earlier picture");
    EXPECT_EQ(r.out.count('\n'), 2) << "the row is kept";
}

TEST(FitBatchSafety, PipesNamedLikeCompanionsAndRunsTooLargeToFitCostNothingElse)
{
    TempFolder f;
    writeRuns(f, {"run.txt"});
    for (const char* pipe : {"run.frames.csv", "run.json"})
        ASSERT_EQ(::mkfifo(QFile::encodeName(f.path(pipe)).constData(), 0600), 0);
    QByteArray huge = formatDataFile(3, 1, modelGeneratedRun());
    huge.replace(huge.indexOf("\r\n   100 ") + 8, 10, "     1e308");
    writeAll(f.path("huge.txt"), huge);

    const FitResult r = runFitProgram({"--thorough", "--plot", "huge.txt", "run.txt"}, f.root());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.endsWith("huge.txt: not fitted: the model error is inf and the tracking error inf; the run "
                               "holds values too large to fit, nothing was written\n"
                               "run.txt: run.frames.csv passed over: it is not a regular file\n"
                               "run.txt: run.json passed over: it is not a regular file\n"))
        << r.err.toStdString();
    for (const char* name : {"huge.par", "huge.thorough.par", "huge.profile.csv", "huge.png"})
        EXPECT_FALSE(QFileInfo::exists(f.path(name))) << name;
    const QStringList rows = r.out.trimmed().split('\n');
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows[1].startsWith("run.txt,3,1,3.0000,"));
    EXPECT_GT(QFileInfo(f.path("run.png")).size(), 0);
}

TEST(FitBatchSafety, NamesThatAreNotUtf8AreFittedAndShownLosslessly)
{
    TempFolder f;
    ASSERT_TRUE(test::fileOk(writeDataFile(f.path(pathFromNative("x\\\xff" "y.txt")), 3, 1, modelGeneratedRun())));
    // The shell hands the bytes over as they are.
    const test::FitResult r = runFitProgram(
        {"-c", QStringLiteral("exec '%1' --thorough \"$(printf 'x\\\\\\377y.txt')\"").arg(QUELVAR_FIT_BINARY)}, f.root(),
        QProcessEnvironment::systemEnvironment(), QStringLiteral("/bin/sh"));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("\nx\\\\\\xFFy.txt,3,1,3.0000,")) << r.out.toStdString();
    // Line 2 of each parameter file names it as the file system does.
    for (const char* name : {"x\\\xff" "y.par", "x\\\xff" "y.thorough.par"}) {
        QByteArray par;
        EXPECT_TRUE(fileOk(readRegularFile(f.path(pathFromNative(name)), 1000, par))) << name;
        EXPECT_TRUE(par.contains("\r\n" + QFile::encodeName(f.root()) + '/' + name + "\r\n")) << name;
    }
}
