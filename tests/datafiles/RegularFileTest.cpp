// Names that are not UTF-8 are read and replaced by their bytes, whole or
// not at all. (Pipes named like companions: tests/cli/FitBatchSafetyTest.)
#include "common/NativePath.h"
#include "datafiles/FileSink.h"
#include "datafiles/RegularFile.h"
#include "support/FaultLoop.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace quelvar;

TEST(RegularFile, ANameThatIsNotUtf8IsReplacedWholeOrNotAtAll)
{
    test::TempFolder f;
    const QString path = pathFromNative(QFile::encodeName(f.root()) + "/r\xff\xfe.par");
    const auto holds = [&](const QByteArray& expected) {
        QByteArray bytes;
        return readRegularFile(path, 100, bytes).ok() && bytes == expected;
    };
    const auto entries = [&] { return QDir(f.root()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); };
    ASSERT_TRUE(test::fileOk(writeFileAtomically(path, "first")));
    ASSERT_TRUE(holds("first"));
    const QStringList before = entries();
    const auto result = test::failEverySinkStep(
        [&] { writeFileAtomically(path, "second, longer"); },
        [&](const std::string& what) {
            EXPECT_TRUE(holds("first")) << what;
            EXPECT_EQ(entries(), before) << what << ": no temporary file is left";
        },
        [&] { ASSERT_TRUE(test::fileOk(writeFileAtomically(path, "first"))); });
    EXPECT_EQ(result.failedAttempts, 3);
    ASSERT_TRUE(test::fileOk(writeFileAtomically(path, "second, longer")));
    EXPECT_TRUE(holds("second, longer"));
}
