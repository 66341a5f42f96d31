// Only regular files are read, never past a cap; names that are not UTF-8
// are read and replaced by their bytes, whole or not at all.
#include "common/NativePath.h"
#include "datafiles/FileSink.h"
#include "datafiles/RegularFile.h"
#include "support/FaultLoop.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace quelvar;

TEST(RegularFile, OnlyRegularFilesWithinTheCapAreRead)
{
    test::TempFolder f;
    test::writeAll(f.path("small"), "12345");
    ASSERT_EQ(::mkfifo(QFile::encodeName(f.path("pipe")).constData(), 0600), 0);
    const struct {
        const char* name;
        qint64 cap;
        QString reason;  // empty: read
    } cases[] = {
        {"small", 5, {}},
        {"small", 4, "it is larger than 4 bytes"},
        {"pipe", 100, "it is not a regular file"},
        {"absent", 100, QString::fromLocal8Bit(std::strerror(ENOENT))},
    };
    for (const auto& c : cases) {
        QByteArray bytes = "left over";
        bool missing = false;
        const FileResult failed = readRegularFile(f.path(c.name), c.cap, bytes, &missing);
        EXPECT_EQ(failed ? failed->reason : QString(), c.reason) << c.name;
        EXPECT_EQ(bytes, c.reason.isEmpty() ? "12345" : "") << c.name;
        EXPECT_EQ(missing, c.name == std::string("absent"));
    }
}

TEST(RegularFile, ANameThatIsNotUtf8IsReplacedWholeOrNotAtAll)
{
    test::TempFolder f;
    const QString path = pathFromNative(QFile::encodeName(f.root()) + "/r\xff\xfe.par");
    const auto holds = [&](const QByteArray& expected) {
        QByteArray bytes;
        return !readRegularFile(path, 100, bytes) && bytes == expected;
    };
    const auto entries = [&] { return QDir(f.root()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); };
    ASSERT_TRUE(writeFileAtomically(path, "first"));
    ASSERT_TRUE(holds("first"));
    const QStringList before = entries();
    const auto result = test::failEverySinkStep(
        [&] { writeFileAtomically(path, "second, longer"); },
        [&](const std::string& what) {
            EXPECT_TRUE(holds("first")) << what;
            EXPECT_EQ(entries(), before) << what << ": no temporary file is left";
        },
        [&] { ASSERT_TRUE(writeFileAtomically(path, "first")); });
    EXPECT_EQ(result.failedAttempts, 3);
    ASSERT_TRUE(writeFileAtomically(path, "second, longer"));
    EXPECT_TRUE(holds("second, longer"));
}
