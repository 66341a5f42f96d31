// quelvar-fit in a long, hostile batch: rows appear as soon as they are
// ready and in order, a plot is replaced only whole, a pipe named like a
// timing file is passed over, a run too large to fit writes nothing, names
// that are not UTF-8 are fitted, and threads the system refuses cost no row.
#include "cli/FitCommand.h"
#include "common/WorkThreads.h"
#include "datafiles/DataFile.h"
#include "datafiles/FileSink.h"
#include "support/FitRunner.h"
#include "support/TestFiles.h"

#include <QFileInfo>
#include <gtest/gtest.h>
#include <functional>
#include <sstream>
#include <sys/stat.h>

using namespace quelvar;
using quelvar::test::modelGeneratedRun;
using quelvar::test::readAll;
using quelvar::test::runFitProgram;
using quelvar::test::TempFolder;
using quelvar::test::writeAll;

namespace {

struct InProcess {
    int status = -1;
    std::string out, err;
};

// A stream that runs `onFlush` whenever it is flushed.
struct WatchedBuffer : std::stringbuf {
    std::function<void(const std::string&)> onFlush;
    int sync() override
    {
        if (onFlush)
            onFlush(str());
        return 0;
    }
};

InProcess fitHere(cli::FitOptions options, const std::function<void(const std::string&)>& onRow = {})
{
    WatchedBuffer outBuffer;
    outBuffer.onFlush = onRow;
    std::ostream out(&outBuffer);
    std::ostringstream err;
    InProcess r;
    r.status = cli::runFit(options, out, err);
    r.out = outBuffer.str();
    r.err = err.str();
    return r;
}

cli::FitOptions optionsFor(const QStringList& files)
{
    cli::FitOptions options;
    options.files = files;
    return options;
}

// A data file the model cannot fit: one mouse position near the largest double.
void writeHugeRun(const QString& path)
{
    QByteArray bytes = formatDataFile(3, 1, modelGeneratedRun());
    const qsizetype line = bytes.indexOf("\r\n   100 ");
    bytes.replace(line + 2 + 6, 10, "     1e308");
    writeAll(path, bytes);
}

}  // namespace

TEST(FitBatchSafety, RowsArePrintedInOrderAsSoonAsEachFileIsDone)
{
    TempFolder f;
    QStringList files;
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        ASSERT_TRUE(writeDataFile(f.path(name), 3, 1, modelGeneratedRun()));
        files << f.path(name);
    }
    cli::FitOptions options = optionsFor(files);
    options.jobs = 1;
    // When a row reaches the output, the later files are not fitted yet: a
    // batch stopped there has printed every finished row.
    QStringList seen;
    const InProcess r = fitHere(options, [&](const std::string& out) {
        const int rows = int(std::count(out.begin(), out.end(), '\n')) - 1;
        if (rows >= 1 && rows <= 2)
            seen << QStringLiteral("%1 rows, c.par %2").arg(rows).arg(QFileInfo::exists(f.path("c.par")));
    });
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(seen, (QStringList{"1 rows, c.par 0", "2 rows, c.par 0"}));
    const QStringList rows = QString::fromStdString(r.out).trimmed().split('\n');
    ASSERT_EQ(rows.size(), 4);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(rows[i + 1].startsWith(files[i] + ",")) << rows[i + 1].toStdString();
}

TEST(FitBatchSafety, ProgressLineOnlyWhenAskedForAndClearedAtTheEnd)
{
    TempFolder f;
    ASSERT_TRUE(writeDataFile(f.path("a.txt"), 3, 1, modelGeneratedRun()));
    ASSERT_TRUE(writeDataFile(f.path("b.txt"), 3, 1, modelGeneratedRun()));
    cli::FitOptions options = optionsFor({f.path("a.txt"), f.path("missing.txt"), f.path("b.txt")});
    options.jobs = 1;
    const InProcess quiet = fitHere(options);
    options.progress = true;
    const InProcess shown = fitHere(options);

    EXPECT_EQ(shown.out, quiet.out);
    EXPECT_EQ(quiet.err.find('\r'), std::string::npos);
    EXPECT_EQ(shown.err.rfind("\r\x1b[K0 of 3 files, 0:00 elapsed", 0), 0u) << shown.err;
    EXPECT_NE(shown.err.find("\r\x1b[K1 of 3 files, "), std::string::npos);
    EXPECT_NE(shown.err.find("left"), std::string::npos);
    EXPECT_NE(shown.err.find("\r\x1b[K3 of 3 files, "), std::string::npos);
    // The messages stand on lines of their own, and the line is gone at the end.
    EXPECT_NE(shown.err.find("\r\x1b[K" + f.path("missing.txt").toStdString() + ": File not found.\n"),
              std::string::npos);
    EXPECT_TRUE(shown.err.ends_with("\r\x1b[K")) << shown.err;
}

TEST(FitBatchSafety, AFailedPlotWriteKeepsTheEarlierPictureAndSaysWhereAndWhy)
{
    TempFolder f;
    ASSERT_TRUE(writeDataFile(f.path("run.txt"), 3, 1, modelGeneratedRun()));
    writeAll(f.path("run.png"), "an earlier picture, complete");
    cli::FitOptions options = optionsFor({f.path("run.txt")});
    options.plot = true;
    // The parameter file is the first write, the picture the second.
    FileSink::injectFaults({false, 2, false});
    const InProcess r = fitHere(options);
    FileSink::clearFaults();

    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write plot " + f.path("run.png").toStdString() + ": Injected failure to write"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(readAll(f.path("run.png")), "an earlier picture, complete");
    EXPECT_TRUE(QFileInfo::exists(f.path("run.par")));
    EXPECT_EQ(QString::fromStdString(r.out).trimmed().split('\n').size(), 2) << "the row is kept";
}

TEST(FitBatchSafety, PipesNamedLikeCompanionsArePassedOverNotWaitedFor)
{
    TempFolder f;
    ASSERT_TRUE(writeDataFile(f.path("run.txt"), 3, 1, modelGeneratedRun()));
    for (const char* pipe : {"run.frames.csv", "run.json"})
        ASSERT_EQ(::mkfifo(QFile::encodeName(f.path(pipe)).constData(), 0600), 0);

    const test::FitResult r = runFitProgram({"--plot", "run.txt"}, f.root());
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.endsWith("run.txt: run.frames.csv passed over: it is not a regular file\n"
                               "run.txt: run.json passed over: it is not a regular file\n"))
        << r.err.toStdString();
    EXPECT_TRUE(QFileInfo(f.path("run.png")).size() > 0);
}

TEST(FitBatchSafety, ARunWhoseErrorIsNotFiniteFailsAndWritesNothingWhileTheOthersGoOn)
{
    TempFolder f;
    writeHugeRun(f.path("huge.txt"));
    ASSERT_TRUE(writeDataFile(f.path("good.txt"), 3, 1, modelGeneratedRun()));

    const test::FitResult r = runFitProgram({"--thorough", "--plot", "huge.txt", "good.txt"}, f.root());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("huge.txt: not fitted: the model error is inf")) << r.err.toStdString();
    for (const char* written : {"huge.par", "huge.thorough.par", "huge.profile.csv", "huge.png"})
        EXPECT_FALSE(QFileInfo::exists(f.path(written))) << written;
    const QStringList rows = r.out.trimmed().split('\n');
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows[1].startsWith("good.txt,3,1,3.0000,"));
    EXPECT_FALSE(r.out.contains("inf") || r.out.contains("nan"));
}

TEST(FitBatchSafety, NamesThatAreNotUtf8AreFittedAndShownLosslessly)
{
    TempFolder f;
    const QByteArray folder = QFile::encodeName(f.root());
    // Written by their bytes: Qt cannot spell these names.
    const QByteArray names[] = {"x\xff" "y.txt", "back\\slash \xe9.txt"};
    const QByteArray data = formatDataFile(3, 1, modelGeneratedRun());
    for (const QByteArray& name : names) {
        FILE* file = std::fopen((folder + '/' + name).constData(), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(data.constData(), 1, std::size_t(data.size()), file);
        std::fclose(file);
    }
    // The shell hands the bytes over as they are.
    const test::FitResult r = runFitProgram(
        {"-c", QStringLiteral("exec '%1' --thorough \"$(printf 'x\\377y.txt')\" \"$(printf 'back\\\\slash \\351.txt')\"")
                   .arg(QUELVAR_FIT_BINARY)},
        f.root(), QStringLiteral("/bin/sh"));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList rows = r.out.trimmed().split('\n');
    ASSERT_EQ(rows.size(), 3) << r.out.toStdString();
    EXPECT_TRUE(rows[1].startsWith("x\\xFFy.txt,3,1,3.0000,")) << rows[1].toStdString();
    EXPECT_TRUE(rows[2].startsWith("back\\\\slash \\xE9.txt,3,1,")) << rows[2].toStdString();
    for (const QByteArray& written : {QByteArray("x\xff" "y.par"), QByteArray("x\xff" "y.thorough.par"),
                                      QByteArray("x\xff" "y.profile.csv"), QByteArray("back\\slash \xe9.par")}) {
        struct stat info {};
        EXPECT_EQ(::stat((folder + '/' + written).constData(), &info), 0) << written.toHex().toStdString();
    }
    // Line 2 of the parameter file names it as the file system does.
    FILE* par = std::fopen((folder + "/x\xff" "y.par").constData(), "rb");
    ASSERT_NE(par, nullptr);
    char text[512] = {};
    const std::size_t size = std::fread(text, 1, sizeof text - 1, par);
    std::fclose(par);
    EXPECT_TRUE(QByteArray(text, qsizetype(size)).contains("\r\n" + folder + "/x\xff" "y.par\r\n"));
}

TEST(FitBatchSafety, ThreadsTheSystemRefusesCostNoRow)
{
    TempFolder f;
    ASSERT_TRUE(writeDataFile(f.path("a.txt"), 3, 1, modelGeneratedRun()));
    ASSERT_TRUE(writeDataFile(f.path("b.txt"), 2, 5, modelGeneratedRun()));
    cli::FitOptions options = optionsFor({f.path("a.txt"), f.path("b.txt")});
    options.thorough = true;
    options.jobs = 64;
    const InProcess normal = fitHere(options);
    limitWorkThreadStarts(0);
    const InProcess refused = fitHere(options);
    limitWorkThreadStarts(-1);
    EXPECT_EQ(refused.status, 0) << refused.err;
    EXPECT_EQ(refused.out, normal.out);
    EXPECT_EQ(QString::fromStdString(refused.out).trimmed().split('\n').size(), 3);

#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer cannot run under an address-space limit";
#endif
    // The real program, where a thread's stack is larger than the address
    // space allowed, so that the system refuses every thread.
    const test::FitResult thorough = runFitProgram({"--thorough", "a.txt"}, f.root());
    const test::FitResult limited = runFitProgram(
        {"--as=" + QString::number(600 << 20), "--stack=" + QString::number(1024 << 20), QStringLiteral(QUELVAR_FIT_BINARY),
         "--exhaustive", "--jobs", "64", "a.txt"},
        f.root(), QStringLiteral("prlimit"));
    EXPECT_EQ(limited.status, 0) << limited.err.toStdString();
    EXPECT_EQ(limited.out, thorough.out);
}
