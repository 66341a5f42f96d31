#include "datafiles/DataFile.h"

#include "datafiles/FileSink.h"
#include "datafiles/ParameterFile.h"
#include "support/FaultLoop.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QFile>

#include <functional>
#include <memory>
#include <tuple>

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

// Frame i's mouse, target, error and magnified error.
auto frame(const RunRecord& run, int i)
{
    return std::tuple(run.Mouse[i], run.Target[i], run.Error[i], run.MagnifiedRunError[i]);
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

// A fixed layout and size; overlong values widen their line.
TEST(DataFileFormat, HasTheFixedLayoutAndSize)
{
    auto run = std::make_unique<RunRecord>();
    run->Mouse[1] = 12.34;
    run->Target[1] = -56.78;
    run->Mouse[3600] = -0.001;
    run->Target[3600] = 5.625;
    const QByteArray text = formatDataFile(3, 10, *run);
    EXPECT_EQ(std::tuple(text.size(), text.count("\r\n"), text.count('\n'), text.count('\r')),
              std::tuple(100829, 3602, 3602, 3602));
    EXPECT_TRUE(text.startsWith("TrackData\r\n       3      10\r\n"
                                "     1     12.34    -56.78\r\n"
                                "     2      0.00      0.00\r\n"));
    EXPECT_TRUE(text.endsWith("  3599      0.00      0.00\r\n"
                              "  3600     -0.00      5.63\r\n"));

    run->Mouse[1] = -1234567.891;
    const QByteArray wide = formatDataFile(-1, 123456789, *run);
    EXPECT_TRUE(
        wide.startsWith("TrackData\r\n      -1123456789\r\n     1-1234567.89    -56.78\r\n"));
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
    EXPECT_EQ(std::tuple(result.identityRead, result.difficulty, result.disturbanceNumber),
              std::tuple(true, 4, 7));
    for (int i = 1; i <= kRunFrames; ++i) {
        const double mouse = std::round(written->Mouse[i] * 100.0) / 100.0;
        ASSERT_NEAR(read->Mouse[i], mouse, 1e-9) << "frame " << i;
        ASSERT_NEAR(read->Target[i], written->Target[i], 0.005 + 1e-9) << "frame " << i;
        ASSERT_EQ(read->Error[i], read->Target[i] - read->Mouse[i]) << "frame " << i;
        ASSERT_EQ(read->MagnifiedRunError[i], 5.0 * read->Error[i]) << "frame " << i;
    }
}

// Any kind of line end; Ctrl-Z ends the file, whatever follows it.
TEST(DataFileRead, AcceptsEveryKindOfLineEndAndStopsAtCtrlZ)
{
    const auto endedBy = [](const QByteArray& end) {
        return "TrackData" + end + "2 5" + end + "1 1.5 2.5" + end + "3600 -1 4" + end;
    };
    for (const QByteArray& text :
         {endedBy("\n"), endedBy("\r"), endedBy("\r\n"),
          QByteArray("TrackData\r2 5\n1 1.5 2.5\r\n3600 -1 4\r"),
          endedBy("\r\n") + '\x1A' + "garbage\r\n", endedBy("\r\n") + '\x1A' + "3601 0 0\r\n"}) {
        const auto [result, run] = parse(text);
        ASSERT_EQ(result.outcome, DataFileReadResult::Loaded) << text.toHex().constData();
        EXPECT_EQ(frame(*run, 1), std::tuple(1.5, 2.5, 1.0, 5.0));
        EXPECT_EQ(frame(*run, 2), std::tuple(-1.0, 4.0, 5.0, 25.0));
    }
}

TEST(DataFileRead, AShortFileEndingAtFrame3600KeepsTheFramesItDoesNotReach)
{
    const auto [result, run] =
        parse("TrackData\r\n 1 2\r\n 7 10.25 20.5 99 extra columns\r\n3600 -3 3\r\n");
    ASSERT_EQ(result.outcome, DataFileReadResult::Loaded);
    EXPECT_EQ(frame(*run, 1), std::tuple(10.25, 20.5, 10.25, 51.25));
    EXPECT_EQ(frame(*run, 2), std::tuple(-3.0, 3.0, 6.0, 30.0));
    // Error is recomputed for every frame, reached or not.
    EXPECT_EQ(frame(*run, 3), std::tuple(-1.0, -2.0, -1.0, -5.0));
    EXPECT_EQ(frame(*run, 3600), std::tuple(-1.0, -2.0, -1.0, -5.0));
}

TEST(DataFileRead, NumbersMissingAtTheEndReadAsZero)
{
    // The last line holds only its frame number; mouse and target read 0.
    const auto [loaded, run] = parse("TrackData\r\n1 2\r\n3600");
    ASSERT_EQ(loaded.outcome, DataFileReadResult::Loaded);
    EXPECT_EQ(frame(*run, 1), std::tuple(0.0, 0.0, 0.0, 0.0));

    // A header only: the identity reads 0 and no data line exists.
    const auto [result, empty] = parse("TrackData");
    EXPECT_EQ(std::tuple(result.outcome, result.identityRead, result.difficulty),
              std::tuple(DataFileReadResult::WrongCount, true, 0));
    expectUntouched(*empty);
}

TEST(DataFileRead, RejectsHeadersThatAreNotExactlyTrackData)
{
    for (const char* header : {"TrackData ", "trackdata", "TRACKDATA", " TrackData",
                               "\xEF\xBB\xBFTrackData", "TrackData\t", "TrackDat", ""}) {
        const auto [result, run] = parse(QByteArray(header) + "\r\n1 2\r\n" + dataLines(1, 3600));
        EXPECT_EQ(std::tuple(result.outcome, result.headerValid, result.identityRead),
                  std::tuple(DataFileReadResult::NotValid, false, false))
            << header;
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
        {"3600 after Ctrl-Z (\\032)", "TrackData\r\n1 2\r\n3599 1 2\r\n\0323600 0 0\r\n",
         wrongCount, true, 0},
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
        EXPECT_EQ(std::tuple(result.outcome, result.headerValid, result.identityRead),
                  std::tuple(c.outcome, true, c.identityRead));
        if (c.identityRead)
            EXPECT_EQ(std::pair(result.difficulty, result.disturbanceNumber), std::pair(1, 2));
        if (c.outcome == ioError)
            EXPECT_EQ(result.error.reason.toStdString(),
                      "line " + std::to_string(c.line) + " holds something that is not a number");
        expectUntouched(*run);
    }
    EXPECT_EQ(parse(full).result.outcome, DataFileReadResult::Loaded);
    // The message of a wrong count has no blank before the count.
    EXPECT_EQ(wrongCountMessage(), "Number of data points not equal to3600. Load aborted.");
}

TEST(DataFileRead, ReportsMissingFoldersAndOversizedOrUnreadableFiles)
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

    // The process's own memory file opens like any file, but reading its
    // first page fails; unlike a file without read permission, this holds
    // when the tests run as root.
    const DataFileReadResult unreadable = readDataFile("/proc/self/mem", *run);
    EXPECT_EQ(unreadable.outcome, DataFileReadResult::IoError);
    EXPECT_EQ(unreadable.error.path, "/proc/self/mem");
    EXPECT_FALSE(unreadable.error.reason.isEmpty());
    expectUntouched(*run);
}

// Each writer, made to fail at its open, at each of its writes or at its commit,
// names the file and a reason, and leaves the earlier file as it was and alone
// in its folder.
TEST(DataFileWrite, AFailedWriteOfAnyFileLeavesTheEarlierOneIntact)
{
    const auto run = makeRun();
    const std::pair<const char*, std::function<FileResult(const QString&)>> writers[] = {
        {"run.txt", [&](const QString& path) { return writeDataFile(path, 1, 1, *run); }},
        {"s.par", [](const QString& path) { return writeParameterFile(path, {}); }},
        {"out.txt", [](const QString& path) { return writeFileAtomically(path, "new"); }},
    };
    for (const auto& [name, write] : writers) {
        SCOPED_TRACE(name);
        TempFolder folder;
        const QString path = folder.path(name);
        FileResult result;
        failEverySinkStep([&] { result = write(path); },
                          [&](const std::string& what) {
                              ASSERT_FALSE(result.ok()) << what;
                              EXPECT_EQ(result->path, path) << what;
                              EXPECT_FALSE(result->reason.isEmpty()) << what;
                              EXPECT_EQ(readAll(path), "earlier") << what;
                              EXPECT_EQ(folder.files(), QStringList{name}) << what;
                          },
                          [&] { writeAll(path, "earlier"); });
        ASSERT_TRUE(fileOk(write(path)));
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

}  // namespace
}  // namespace quelvar
