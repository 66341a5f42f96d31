// The writers against failures the operating system itself produces, not
// the injected ones: a file that may not grow past a size (the way a full
// disk stops a write halfway), a path through a regular file, and /proc.
// These work as root too, where a folder without write permission does not
// stop anything.
#include "datafiles/DataFile.h"
#include "datafiles/ParameterFile.h"
#include "support/TestFiles.h"
#include "task/DisturbFR.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <sys/resource.h>

namespace quelvar {
namespace {

using test::readAll;
using test::fileOk;
using test::TempFolder;
using test::writeAll;

// While it lives, this process may not write past `bytes` into any file:
// such writes fail with EFBIG, as on a disk that filled up.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &previous_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        active_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool active() const { return active_; }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
    bool active_ = false;
};

std::unique_ptr<RunRecord> someRun()
{
    auto run = std::make_unique<RunRecord>();
    for (int i = 1; i <= kRunFrames; ++i) {
        run->Mouse[i] = (i % 999) - 499.5;
        run->Target[i] = 250.0 - (i % 500);
    }
    return run;
}

TEST(RealFileFailures, AFileStoppedHalfwayLeavesTheEarlierOneAndNoTrace)
{
    TempFolder folder;
    writeAll(folder.path("run.txt"), "earlier run");
    writeAll(folder.path("p.par"), "earlier parameters");
    writeAll(folder.path("Distable"), "earlier table");
    const auto run = someRun();
    auto disturb = std::make_unique<TDisturb>();
    disturb->Table.fill(3.5);

    FileResult dataWritten, parametersWritten, tableWritten;
    {
        // Each file is cut well before its end: the data file (100,829
        // bytes) after 40,000, the parameter file after 40 bytes, the table
        // (1,440,000) after 200,000. Only one limit can stand at a time.
        {
            FileSizeLimit limit(40000);
            ASSERT_TRUE(limit.active());
            dataWritten = writeDataFile(folder.path("run.txt"), 3, 1, *run);
        }
        {
            FileSizeLimit limit(40);
            parametersWritten = writeParameterFile(folder.path("p.par"), ParameterFileValues{});
        }
        {
            FileSizeLimit limit(200000);
            tableWritten = disturb->SaveToFile(folder.path("Distable"));
        }
    }
    // Each says which file and the system's own reason.
    for (const auto& [written, name] : {std::pair{dataWritten, "run.txt"}, std::pair{parametersWritten, "p.par"},
                                        std::pair{tableWritten, "Distable"}}) {
        ASSERT_FALSE(written.ok()) << name;
        EXPECT_EQ(written->message().toStdString(), ("cannot write " + folder.path(name) + ": File too large").toStdString());
    }
    EXPECT_EQ(distableMessage(*tableWritten), "Stream write error");
    EXPECT_EQ(readAll(folder.path("run.txt")), "earlier run");
    EXPECT_EQ(readAll(folder.path("p.par")), "earlier parameters");
    EXPECT_EQ(readAll(folder.path("Distable")), "earlier table");
    EXPECT_EQ(folder.files(), (QStringList{"Distable", "p.par", "run.txt"}));

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
    const auto run = someRun();
    auto disturb = std::make_unique<TDisturb>();
    for (const QString& path : {folder.path("plain/run.txt"), folder.path("folder"),
                                QStringLiteral("/proc/quelvar-test.txt"), QStringLiteral("/proc/self")}) {
        SCOPED_TRACE(path.toStdString());
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
