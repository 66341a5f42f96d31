#include "datafiles/FileSink.h"

#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <atomic>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quelvar {
namespace {

using namespace test;

class FileSinkTest : public ::testing::Test {
protected:
    void TearDown() override { FileSink::clearFaults(); }
    TempFolder folder;
};

TEST_F(FileSinkTest, TheFileAppearsOnlyOnCommitAndReplacesAnEarlierOneWhole)
{
    const QString path = folder.path("out.txt");
    FileSink sink(path);
    ASSERT_TRUE(sink.open());
    ASSERT_TRUE(sink.write("abc", 3));
    ASSERT_TRUE(sink.write(QByteArray("def")));
    EXPECT_FALSE(QFile::exists(path));
    ASSERT_TRUE(sink.commit());
    EXPECT_EQ(readAll(path), "abcdef");
    EXPECT_EQ(sink.errorString(), "");

    writeAll(path, "a much longer earlier content");
    ASSERT_TRUE(fileOk(writeFileAtomically(path, "new")));
    EXPECT_EQ(readAll(path), "new");
    EXPECT_EQ(folder.files(), QStringList{"out.txt"});
}

TEST_F(FileSinkTest, TheNthWriteIsCountedAcrossSinks)
{
    FileSink::injectFaults({false, 3, false});
    EXPECT_TRUE(fileOk(writeFileAtomically(folder.path("one.txt"), "1")));
    FileSink second(folder.path("two.txt"));
    ASSERT_TRUE(second.open());
    EXPECT_TRUE(second.write("2", 1));
    EXPECT_FALSE(second.write("3", 1));
    // Once failed, a sink stays failed.
    EXPECT_FALSE(second.write("4", 1));
    EXPECT_FALSE(second.commit());
    EXPECT_EQ(FileSink::writesSinceReset(), 4);
    EXPECT_EQ(folder.files(), QStringList{"one.txt"});

    FileSink::clearFaults();
    EXPECT_EQ(FileSink::writesSinceReset(), 0);
    EXPECT_TRUE(fileOk(writeFileAtomically(folder.path("two.txt"), "2")));
}

TEST_F(FileSinkTest, WritesFromSeveralThreadsAreEachCountedAndOnlyTheNthFails)
{
    constexpr int kThreads = 4;
    constexpr int kWritesEach = 200;
    FileSink::injectFaults({false, 301, false});
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int n = 0; n < kWritesEach; ++n) {
                FileSink sink(folder.path(QStringLiteral("t%1.txt").arg(t)));
                if (sink.open() && !sink.write("x", 1))
                    ++failures;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(FileSink::writesSinceReset(), kThreads * kWritesEach);
    EXPECT_EQ(failures, 1);
}

TEST_F(FileSinkTest, AFolderThatRefusesTemporaryFilesStillTakesAWritableFile)
{
    const QString locked = folder.path("locked");
    ASSERT_TRUE(QDir().mkdir(locked));
    const QString existing = locked + "/run.txt";
    writeAll(existing, "earlier");
    const auto readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                          QFile::ReadOther | QFile::ExeOther;
    QFile::setPermissions(existing, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                        QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther);
    QFile::setPermissions(locked, readOnly);
    QFile::setPermissions(folder.root(), readOnly | QFile::WriteOwner);

    // With an ordinary user's rights to the file system. As root the effective
    // user changes on a thread of its own through the raw system call, which,
    // unlike the library's wrapper, leaves the other threads as they are.
    bool replaced = false;
    bool created = true;
    const bool root = geteuid() == 0;
    std::thread([&] {
        ASSERT_EQ(root ? syscall(SYS_setresuid, -1, 65534, -1) : 0, 0);
        replaced = writeFileAtomically(existing, "new run").ok();
        created = writeFileAtomically(locked + "/other.txt", "x").ok();
        if (root)
            syscall(SYS_setresuid, -1, 0, -1);
    }).join();
    QFile::setPermissions(locked, readOnly | QFile::WriteOwner);
    EXPECT_TRUE(replaced);
    EXPECT_EQ(readAll(existing), "new run");
    EXPECT_FALSE(created) << "a new file still needs a folder that takes it";
    EXPECT_EQ(QDir(locked).entryList(QDir::Files | QDir::Hidden), QStringList{"run.txt"});
}

TEST_F(FileSinkTest, RealFailuresCarryTheSystemsReason)
{
    const QString missing = folder.path("no/such/folder/x.txt");
    const FileResult result = writeFileAtomically(missing, "x");
    ASSERT_FALSE(result.ok());
    EXPECT_FALSE(result->reason.isEmpty());
    EXPECT_EQ(result->message(), "cannot create " + missing + ": " + result->reason);

    FileSink unopened(folder.path("never.txt"));
    EXPECT_FALSE(unopened.write("x", 1));
    EXPECT_FALSE(unopened.commit());
    EXPECT_FALSE(QFile::exists(folder.path("never.txt")));
}

}  // namespace
}  // namespace quelvar
