// Reading only regular files, never past a cap, and writing and reading names
// that are not UTF-8 by their bytes, with the same all-or-nothing replacement
// as every other file.
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
using quelvar::test::TempFolder;

TEST(RegularFile, OnlyWholeRegularFilesWithinTheCapAreRead)
{
    TempFolder f;
    test::writeAll(f.path("small"), "12345");
    ASSERT_EQ(::mkfifo(QFile::encodeName(f.path("pipe")).constData(), 0600), 0);
    ASSERT_TRUE(QDir().mkpath(f.path("folder")));
    const struct {
        const char* name;
        qint64 cap;
        QByteArray bytes;  // read, or
        bool missing;      // nothing there, or else
        QString reason;    // why not
    } cases[] = {
        {"small", 5, "12345", false, {}},
        {"small", 4, {}, false, "it is larger than 4 bytes"},
        {"pipe", 100, {}, false, "it is not a regular file"},
        {"folder", 100, {}, false, "it is not a regular file"},
        {"absent", 100, {}, true, QString::fromLocal8Bit(std::strerror(ENOENT))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray bytes = "left over";
        bool missing = !c.missing;
        const FileResult failed = readRegularFile(f.path(c.name), c.cap, bytes, &missing);
        EXPECT_EQ(missing, c.missing);
        EXPECT_EQ(failed ? failed->reason : QString(), c.reason);
        EXPECT_EQ(bytes, c.bytes);
    }
}

TEST(RegularFile, ANameThatIsNotUtf8IsReplacedWholeOrNotAtAll)
{
    TempFolder f;
    const QString path = pathFromNative(QFile::encodeName(f.root()) + "/r\xff\xfe.par");
    ASSERT_FALSE(qtCanName(path));
    ASSERT_TRUE(writeFileAtomically(path, "first"));
    QByteArray bytes;
    ASSERT_FALSE(readRegularFile(path, 100, bytes)) << "written and read back by its bytes";
    ASSERT_EQ(bytes, "first");
    const QStringList entries = QDir(f.root()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    const auto result = test::failEverySinkStep(
        [&] { writeFileAtomically(path, "second, longer"); },
        [&](const std::string& what) {
            SCOPED_TRACE(what);
            QByteArray now;
            EXPECT_FALSE(readRegularFile(path, 100, now));
            EXPECT_EQ(now, "first");
            EXPECT_EQ(QDir(f.root()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), entries)
                << "no temporary file is left";
        },
        [&] { ASSERT_TRUE(writeFileAtomically(path, "first")); });
    EXPECT_EQ(result.failedAttempts, 3);
    ASSERT_TRUE(writeFileAtomically(path, "second, longer"));
    ASSERT_FALSE(readRegularFile(path, 100, bytes));
    EXPECT_EQ(bytes, "second, longer");
}
