#include "datafiles/DataFile.h"

#include "datafiles/FileSink.h"
#include "datafiles/ParameterFile.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QFile>

#include <functional>
#include <memory>
#include <tuple>
#include <vector>

namespace quelvar {
namespace {

using namespace test;

// RunRecord is large; tests keep theirs on the heap.
std::unique_ptr<RunRecord> makeRun()
{
    auto run = std::make_unique<RunRecord>();
    for (int i = 1; i <= kRunFrames; ++i) {
        run->Mouse[i] = (i % 1001) - 500 + 0.125 * (i % 8);
        run->Target[i] = 499.99 - (i % 997) * 1.003;
    }
    return run;
}

// A run whose every value is recognisable, to see that nothing was touched.
std::unique_ptr<RunRecord> markedRun()
{
    auto run = std::make_unique<RunRecord>();
    run->Mouse.fill(-1.0);
    run->Target.fill(-2.0);
    run->Error.fill(-3.0);
    run->MagnifiedRunError.fill(-4.0);
    return run;
}

void expectUntouched(const RunRecord& run)
{
    const auto marked = markedRun();
    EXPECT_TRUE(
        std::tie(run.Mouse, run.Target, run.Error, run.MagnifiedRunError)
        == std::tie(marked->Mouse, marked->Target, marked->Error, marked->MagnifiedRunError));
}

QByteArray dataLines(int first, int last)
{
    QByteArray text;
    for (int i = first; i <= last; ++i)
        text += QByteArray::number(i) + " " + QByteArray::number(i) + ".5 -" + QByteArray::number(i) + "\r\n";
    return text;
}

struct Parsed {
    DataFileReadResult result;
    std::unique_ptr<RunRecord> run;  // a marked run the text was read into
};

Parsed parse(const QByteArray& bytes)
{
    auto run = markedRun();
    const std::string_view text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return {parseDataFile(text, *run), std::move(run)};
}

TEST(DataFileFormat, HasTheFixedLayoutAndSize)
{
    auto run = std::make_unique<RunRecord>();
    run->Mouse[1] = 12.34;
    run->Target[1] = -56.78;
    run->Mouse[3600] = -0.001;
    run->Target[3600] = 5.625;
    const QByteArray text = formatDataFile(3, 10, *run);
    EXPECT_EQ(text.size(), 100829);
    EXPECT_EQ(text.count("\r\n"), 3602);
    EXPECT_EQ(text.count('\n'), 3602);
    EXPECT_EQ(text.count('\r'), 3602);
    EXPECT_TRUE(text.startsWith("TrackData\r\n       3      10\r\n"
                                "     1     12.34    -56.78\r\n"
                                "     2      0.00      0.00\r\n"));
    EXPECT_TRUE(text.endsWith("  3599      0.00      0.00\r\n"
                              "  3600     -0.00      5.63\r\n"));
}

TEST(DataFileFormat, OverlongValuesWidenTheirLine)
{
    auto run = std::make_unique<RunRecord>();
    run->Mouse[1] = -1234567.891;
    const QByteArray text = formatDataFile(-1, 123456789, *run);
    EXPECT_TRUE(text.startsWith("TrackData\r\n      -1123456789\r\n     1-1234567.89      0.00\r\n"));
}

TEST(DataFileRead, AWrittenFileReadsBackRoundedToTwoDecimals)
{
    TempFolder folder;
    const QString path = folder.path("run1.txt");
    const auto written = makeRun();
    ASSERT_TRUE(fileOk(writeDataFile(path, 4, 7, *written)));
    EXPECT_EQ(readAll(path), formatDataFile(4, 7, *written));

    auto read = markedRun();
    const DataFileReadResult result = readDataFile(path, *read);
    ASSERT_EQ(result.outcome, DataFileReadResult::Loaded);
    EXPECT_TRUE(result.identityRead);
    EXPECT_EQ(result.difficulty, 4);
    EXPECT_EQ(result.disturbanceNumber, 7);
    for (int i = 1; i <= kRunFrames; ++i) {
        const double mouse = std::round(written->Mouse[i] * 100.0) / 100.0;
        ASSERT_NEAR(read->Mouse[i], mouse, 1e-9) << "frame " << i;
        ASSERT_NEAR(read->Target[i], written->Target[i], 0.005 + 1e-9) << "frame " << i;
        ASSERT_EQ(read->Error[i], read->Target[i] - read->Mouse[i]) << "frame " << i;
        ASSERT_EQ(read->MagnifiedRunError[i], 5.0 * read->Error[i]) << "frame " << i;
    }
}

TEST(DataFileRead, AcceptsEveryKindOfLineEnd)
{
    const auto endedBy = [](const QByteArray& end) {
        return "TrackData" + end + "2 5" + end + "1 1.5 2.5" + end + "3600 -1 4" + end;
    };
    for (const QByteArray& text : {endedBy("\n"), endedBy("\r"), endedBy("\r\n"),
                                   QByteArray("TrackData\r2 5\n1 1.5 2.5\r\n3600 -1 4\r")}) {
        const auto [result, run] = parse(text);
        ASSERT_EQ(result.outcome, DataFileReadResult::Loaded) << text.toHex().constData();
        EXPECT_EQ(run->Mouse[1], 1.5);
        EXPECT_EQ(run->Target[2], 4.0);
        EXPECT_EQ(run->Error[2], 5.0);
    }
}

TEST(DataFileRead, AShortFileEndingAtFrame3600KeepsTheFramesItDoesNotReach)
{
    const auto [result, run] =
        parse("TrackData\r\n 1 2\r\n 7 10.25 20.5 99 extra columns\r\n3600 -3 3\r\n");
    ASSERT_EQ(result.outcome, DataFileReadResult::Loaded);
    EXPECT_EQ(run->Mouse[1], 10.25);
    EXPECT_EQ(run->Target[1], 20.5);
    EXPECT_EQ(run->Mouse[2], -3.0);
    EXPECT_EQ(run->Target[2], 3.0);
    EXPECT_EQ(run->Mouse[3], -1.0);
    EXPECT_EQ(run->Target[3600], -2.0);
    // Error is recomputed for every frame, reached or not.
    EXPECT_EQ(run->Error[1], 10.25);
    EXPECT_EQ(run->Error[3], -1.0);
    EXPECT_EQ(run->MagnifiedRunError[3600], -5.0);
}

TEST(DataFileRead, CtrlZEndsTheFile)
{
    const QByteArray lines = "TrackData\r\n1 2\r\n3600 1 2\r\n\x1A";
    for (const char* after : {"garbage\r\n", "3601 0 0\r\n"})
        EXPECT_EQ(parse(lines + after).result.outcome, DataFileReadResult::Loaded) << after;
    const auto early = parse(QByteArray("TrackData\r\n1 2\r\n3599 1 2\r\n\x1A") + "3600 0 0\r\n");
    EXPECT_EQ(early.result.outcome, DataFileReadResult::WrongCount);
    expectUntouched(*early.run);
}

TEST(DataFileRead, NumbersMissingAtTheEndReadAsZero)
{
    // The last line holds only its frame number; mouse and target read 0.
    const auto [loaded, run] = parse("TrackData\r\n1 2\r\n3600");
    ASSERT_EQ(loaded.outcome, DataFileReadResult::Loaded);
    EXPECT_EQ(run->Mouse[1], 0.0);
    EXPECT_EQ(run->Target[1], 0.0);

    // A header only: the identity reads 0 and no data line exists.
    const auto [result, empty] = parse("TrackData");
    EXPECT_EQ(result.outcome, DataFileReadResult::WrongCount);
    EXPECT_TRUE(result.identityRead);
    EXPECT_EQ(result.difficulty, 0);
    expectUntouched(*empty);
}

TEST(DataFileRead, RejectsHeadersThatAreNotExactlyTrackData)
{
    for (const char* header : {"TrackData ", "trackdata", "TRACKDATA", " TrackData",
                               "\xEF\xBB\xBFTrackData", "TrackData\t", "TrackDat", ""}) {
        const auto [result, run] = parse(QByteArray(header) + "\r\n1 2\r\n" + dataLines(1, 3600));
        EXPECT_EQ(result.outcome, DataFileReadResult::NotValid) << header;
        EXPECT_FALSE(result.headerValid);
        EXPECT_FALSE(result.identityRead);
        expectUntouched(*run);
    }
}

// A file whose last frame number is not 3600 has the wrong count; a field
// that is not a number is an I/O error naming its line. Either way the run is
// left as it was.
TEST(DataFileRead, RejectsAWrongCountAndAFieldThatIsNotANumber)
{
    const QByteArray full = "TrackData\r\n1 2\r\n" + dataLines(1, 3600);
    const auto wrongCount = DataFileReadResult::WrongCount;
    const auto ioError = DataFileReadResult::IoError;
    const struct {
        const char* what;
        QByteArray text;
        DataFileReadResult::Outcome outcome;
        bool identityRead;
        int line;  // named in the reason of an I/O error
    } cases[] = {
        {"an extra empty line", full + "\r\n", wrongCount, true, 0},
        {"a short file with an extra empty line", "TrackData\r\n1 2\r\n3600 1 1\r\n\r\n",
         wrongCount, true, 0},
        {"trailing blanks after the last line", full + "  ", wrongCount, true, 0},
        {"no data line", "TrackData\r\n1 2\r\n", wrongCount, true, 0},
        {"last frame 3599", "TrackData\r\n1 2\r\n" + dataLines(1, 3599), wrongCount, true, 0},
        {"3601 lines", full + "3600 1 1\r\n", wrongCount, true, 0},
        {"more than 3600 lines ending in 3600",
         "TrackData\r\n1 2\r\n" + dataLines(1, 3599) + dataLines(1, 3600), wrongCount, true, 0},
        {"difficulty", "TrackData\r\nx 2\r\n3600 1 1\r\n", ioError, false, 2},
        {"disturbance number", "TrackData\r\n1 2.0\r\n3600 1 1\r\n", ioError, false, 2},
        {"frame number", "TrackData\r\n1 2\r\n1.0 1 1\r\n3600 1 1\r\n", ioError, true, 3},
        {"mouse", "TrackData\r\n1 2\r\n1 1 1\n2 1,5 1\r\n3600 1 1\r\n", ioError, true, 4},
        {"target", "TrackData\r\n1 2\r\n3600 1 nan\r\n", ioError, true, 3},
        {"overflowing target", "TrackData\r\n1 2\r3600 1 1e999\r\n", ioError, true, 3},
        {"frame beyond 32 bits", "TrackData\r\n1 2\r\n4294970896 1 1\r\n", ioError, true, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto [result, run] = parse(c.text);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_TRUE(result.headerValid);
        EXPECT_EQ(result.identityRead, c.identityRead);
        if (c.identityRead) {
            EXPECT_EQ(result.difficulty, 1);
            EXPECT_EQ(result.disturbanceNumber, 2);
        }
        if (c.outcome == ioError)
            EXPECT_EQ(result.error.reason.toStdString(),
                      "line " + std::to_string(c.line) + " holds something that is not a number");
        expectUntouched(*run);
    }
    EXPECT_EQ(parse(full).result.outcome, DataFileReadResult::Loaded);
}

TEST(DataFileRead, ReportsMissingFoldersAndOversizedFiles)
{
    TempFolder folder;
    auto run = markedRun();
    const DataFileReadResult absent = readDataFile(folder.path("absent.txt"), *run);
    EXPECT_EQ(absent.outcome, DataFileReadResult::NotFound);
    EXPECT_EQ(absent.error.message().toStdString(),
              "cannot read " + folder.path("absent.txt").toStdString() + ": No such file or directory");
    EXPECT_EQ(readDataFile(QString(), *run).outcome, DataFileReadResult::NotFound);
    EXPECT_EQ(readDataFile(folder.root(), *run).outcome, DataFileReadResult::IoError);

    // The size is checked before anything is parsed: a valid start does not help.
    const QString big = folder.path("big.txt");
    QByteArray text = "TrackData\r\n1 2\r\n" + dataLines(1, 3600);
    text.append(kMaxDataFileBytes - text.size() + 1, ' ');
    writeAll(big, text);
    EXPECT_EQ(readDataFile(big, *run).outcome, DataFileReadResult::IoError);
    text.chop(1);
    writeAll(big, text);
    EXPECT_EQ(readDataFile(big, *run).outcome, DataFileReadResult::WrongCount);
    expectUntouched(*run);
}

TEST(DataFileRead, AFileThatOpensButCannotBeReadIsAnIoError)
{
    // The process's own memory file opens like any file, but reading its
    // first page fails; unlike a file without read permission, this holds
    // when the tests run as root.
    auto run = markedRun();
    const DataFileReadResult result = readDataFile("/proc/self/mem", *run);
    EXPECT_EQ(result.outcome, DataFileReadResult::IoError);
    EXPECT_EQ(result.error.path, "/proc/self/mem");
    EXPECT_FALSE(result.error.reason.isEmpty());
    expectUntouched(*run);
}

// Each writer, made to fail at its open, at a write or at its commit, names the
// file and a reason, and leaves the earlier file as it was and alone in its folder.
TEST(DataFileWrite, AFailedWriteOfAnyFileLeavesTheEarlierOneIntact)
{
    const auto run = makeRun();
    const FileFaults open{true, 0, false}, firstWrite{false, 1, false}, commit{false, 0, true};
    const struct {
        const char* name;
        std::function<FileResult(const QString&)> write;
        std::vector<FileFaults> faults;
    } writers[] = {
        {"run.txt",
         [&](const QString& path) { return writeDataFile(path, 1, 1, *run); },
         {open, firstWrite, {false, 5, false}, commit}},
        {"s.par",
         [](const QString& path) { return writeParameterFile(path, {}); },
         {open, firstWrite, commit}},
        {"out.txt",
         [](const QString& path) { return writeFileAtomically(path, "new"); },
         {open, firstWrite, commit}},
    };
    for (const auto& w : writers) {
        SCOPED_TRACE(w.name);
        TempFolder folder;
        const QString path = folder.path(w.name);
        writeAll(path, "earlier");
        for (const FileFaults& faults : w.faults) {
            FileSink::injectFaults(faults);
            const FileResult result = w.write(path);
            FileSink::clearFaults();
            ASSERT_FALSE(result.ok());
            EXPECT_EQ(result->path, path);
            EXPECT_FALSE(result->reason.isEmpty());
            EXPECT_EQ(readAll(path), "earlier");
            EXPECT_EQ(folder.files(), QStringList{w.name});
        }
        ASSERT_TRUE(fileOk(w.write(path)));
        EXPECT_NE(readAll(path), "earlier");
    }
}

TEST(DataFileWrite, WritesInSeveralPiecesSoAFailureMidFileIsCaught)
{
    TempFolder folder;
    const auto run = makeRun();
    FileSink::injectFaults({});
    ASSERT_TRUE(fileOk(writeDataFile(folder.path("a.txt"), 1, 1, *run)));
    EXPECT_EQ(readAll(folder.path("a.txt")).size(), 100829);
    const int writes = FileSink::writesSinceReset();
    EXPECT_GT(writes, 2);
    FileSink::injectFaults({false, writes, false});
    EXPECT_FALSE(fileOk(writeDataFile(folder.path("b.txt"), 1, 1, *run)));
    FileSink::clearFaults();
    EXPECT_FALSE(QFile::exists(folder.path("b.txt")));
}

TEST(DataFileMessages, WrongCountTextHasNoBlankBeforeTheCount)
{
    EXPECT_EQ(wrongCountMessage(), "Number of data points not equal to3600. Load aborted.");
}

}  // namespace
}  // namespace quelvar
