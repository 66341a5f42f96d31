// The writers against failures the operating system itself produces, not
// the injected ones: a file that may not grow past a size (the way a full
// disk stops a write halfway or its commit), a path through a regular file, and /proc.
// These work as root too, where a folder without write permission does not
// stop anything.
#include "datafiles/DataFile.h"
#include "datafiles/FileSink.h"
#include "datafiles/ParameterFile.h"
#include "support/SyntheticRuns.h"
#include "support/TestFiles.h"
#include "task/DisturbFR.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <memory>

namespace quelvar {
namespace {

using namespace test;

TEST(RealFileFailures, AFileStoppedHalfwayLeavesTheEarlierOneAndNoTrace)
{
    TempFolder folder;
    for (const char* name : {"run.txt", "p.par", "Distable", "out.txt"})
        writeAll(folder.path(name), QByteArray("earlier ") + name);
    const auto run = sineRun();
    auto disturb = std::make_unique<TDisturb>();
    disturb->Table.fill(3.5);

    // Each file is cut well before its end: the data file (100,829 bytes)
    // after 40,000, the parameter file after 40 bytes, the table (1,440,000)
    // after 200,000. Only one limit can stand at a time.
    const FileResult dataWritten =
        withFileSizeLimit(40000, [&] { return writeDataFile(folder.path("run.txt"), 3, 1, *run); });
    const FileResult parametersWritten = withFileSizeLimit(
        40, [&] { return writeParameterFile(folder.path("p.par"), ParameterFileValues{}); });
    const FileResult tableWritten =
        withFileSizeLimit(200000, [&] { return disturb->SaveToFile(folder.path("Distable")); });
    // A small write stays in the file's buffer until the commit; a disk that
    // fills up then must fail the commit, not put a cut-off file in place.
    const FileResult tailWritten = withFileSizeLimit(
        10, [&] { return writeFileAtomically(folder.path("out.txt"), QByteArray(100, 'x')); });
    // Each says which file and the system's own reason, and the earlier file stays.
    for (const auto& [written, name] :
         {std::pair{dataWritten, "run.txt"}, std::pair{parametersWritten, "p.par"},
          std::pair{tableWritten, "Distable"}, std::pair{tailWritten, "out.txt"}}) {
        ASSERT_FALSE(written.ok()) << name;
        EXPECT_EQ(written->message().toStdString(),
                  ("cannot write " + folder.path(name) + ": File too large").toStdString());
        EXPECT_EQ(readAll(folder.path(name)), QByteArray("earlier ") + name);
    }
    EXPECT_EQ(distableMessage(*tableWritten), "Stream write error");
    EXPECT_EQ(folder.files(), (QStringList{"Distable", "out.txt", "p.par", "run.txt"}));

    // Without the limit the same writes go through.
    EXPECT_TRUE(fileOk(writeDataFile(folder.path("run.txt"), 3, 1, *run)));
    EXPECT_EQ(readAll(folder.path("run.txt")).size(), 100829);
    EXPECT_TRUE(fileOk(disturb->SaveToFile(folder.path("Distable"))));
    EXPECT_EQ(readAll(folder.path("Distable")).size(), kDistableBytes);
}

TEST(RealFileFailures, PathsThatCanHoldNoFileAreRefusedByEveryWriter)
{
    TempFolder folder;
    writeAll(folder.path("plain"), "a file");
    QDir(folder.root()).mkdir("folder");
    const auto run = sineRun();
    auto disturb = std::make_unique<TDisturb>();
    for (const QString& path :
         {folder.path("plain/run.txt"), folder.path("folder"),
          QStringLiteral("/proc/quelvar-test.txt"), QStringLiteral("/proc/self"), QString(),
          folder.root(), folder.path("missing/run.txt")}) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_FALSE(fileOk(writeFileAtomically(path, "x")));
        EXPECT_FALSE(fileOk(writeDataFile(path, 1, 1, *run)));
        EXPECT_FALSE(fileOk(writeParameterFile(path, ParameterFileValues{})));
        const FileResult table = disturb->SaveToFile(path);
        ASSERT_FALSE(table.ok());
        const QString message = distableMessage(*table);
        EXPECT_TRUE(message.startsWith("Cannot create file") || message == "Stream write error")
            << message.toStdString();
    }
    EXPECT_EQ(readAll(folder.path("plain")), "a file");
    EXPECT_TRUE(QFileInfo(folder.path("folder")).isDir());
    EXPECT_EQ(folder.files(), QStringList{"plain"});
}

}  // namespace
}  // namespace quelvar
