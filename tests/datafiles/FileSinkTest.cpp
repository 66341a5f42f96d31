#include "datafiles/FileSink.h"

#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <csignal>
#include <sys/resource.h>

namespace quelvar {
namespace {

using test::readAll;
using test::TempFolder;
using test::writeAll;

QStringList filesIn(const TempFolder& folder)
{
    return QDir(folder.root()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

class FileSinkTest : public ::testing::Test {
protected:
    void TearDown() override { FileSink::clearFaults(); }
    TempFolder folder;
};

TEST_F(FileSinkTest, TheFileAppearsOnlyOnCommit)
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
}

TEST_F(FileSinkTest, ReplacesAnExistingFileWhole)
{
    const QString path = folder.path("out.txt");
    writeAll(path, "a much longer earlier content");
    ASSERT_TRUE(writeFileAtomically(path, "new"));
    EXPECT_EQ(readAll(path), "new");
    EXPECT_EQ(filesIn(folder), QStringList{"out.txt"});
}

TEST_F(FileSinkTest, EachInjectedFaultFailsTheWriteAndLeavesNoTrace)
{
    const QString path = folder.path("out.txt");
    writeAll(path, "earlier");
    for (const FileFaults& faults : {FileFaults{true, 0, false}, FileFaults{false, 1, false},
                                     FileFaults{false, 0, true}}) {
        FileSink::injectFaults(faults);
        QString reason;
        EXPECT_FALSE(writeFileAtomically(path, "new", &reason));
        EXPECT_FALSE(reason.isEmpty());
        EXPECT_EQ(readAll(path), "earlier");
        EXPECT_EQ(filesIn(folder), QStringList{"out.txt"});
    }
}

TEST_F(FileSinkTest, TheNthWriteIsCountedAcrossSinks)
{
    FileSink::injectFaults({false, 3, false});
    EXPECT_TRUE(writeFileAtomically(folder.path("one.txt"), "1"));
    FileSink second(folder.path("two.txt"));
    ASSERT_TRUE(second.open());
    EXPECT_TRUE(second.write("2", 1));
    EXPECT_FALSE(second.write("3", 1));
    // Once failed, a sink stays failed.
    EXPECT_FALSE(second.write("4", 1));
    EXPECT_FALSE(second.commit());
    EXPECT_EQ(FileSink::writesSinceReset(), 4);
    EXPECT_EQ(filesIn(folder), QStringList{"one.txt"});

    FileSink::clearFaults();
    EXPECT_EQ(FileSink::writesSinceReset(), 0);
    EXPECT_TRUE(writeFileAtomically(folder.path("two.txt"), "2"));
}

TEST_F(FileSinkTest, ATailThatCannotLeaveTheBufferFailsTheCommit)
{
    // A small write stays in the file's buffer until the commit; a disk that
    // fills up then (here: a file size limit) must fail the commit, not put a
    // cut-off file in place.
    const QString path = folder.path("out.txt");
    writeAll(path, "earlier");
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = previous;
    limit.rlim_cur = 10;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const bool written = writeFileAtomically(path, QByteArray(100, 'x'));
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(readAll(path), "earlier");
    EXPECT_EQ(filesIn(folder), QStringList{"out.txt"});
}

TEST_F(FileSinkTest, RealFailuresCarryTheSystemsReason)
{
    QString reason;
    EXPECT_FALSE(writeFileAtomically(folder.path("no/such/folder/x.txt"), "x", &reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_FALSE(writeFileAtomically(folder.root(), "x"));
    EXPECT_FALSE(writeFileAtomically(QString(), "x"));

    FileSink unopened(folder.path("never.txt"));
    EXPECT_FALSE(unopened.write("x", 1));
    EXPECT_FALSE(unopened.commit());
    EXPECT_FALSE(QFile::exists(folder.path("never.txt")));
}

}  // namespace
}  // namespace quelvar
