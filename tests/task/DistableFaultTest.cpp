// "Distable" under failure: a save that fails at any step, on its own and
// during start-up, and start-up with table files of every awkward size.
#include "task/ControllerHarness.h"

#include "datafiles/FileSink.h"
#include "support/FaultLoop.h"
#include "task/DisturbFR.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <sys/stat.h>

namespace quelvar::test {
namespace {

bool spansTheAmplitude(const TDisturb& d)
{
    const auto [low, high] = std::minmax_element(d.Table.begin(), d.Table.end());
    return std::abs(*low + 500.0) < 1e-9 && std::abs(*high - 500.0) < 1e-9;
}

class DistableFaults : public ::testing::Test {
protected:
    void TearDown() override { FileSink::clearFaults(); }
    TempFolder folder;
};

TEST_F(DistableFaults, ASaveFailingAtAnyStepLeavesTheEarlierFileAndTheTable)
{
    const QString path = folder.path("Distable");
    const QByteArray earlier(1440000, '\x11');
    writeAll(path, earlier);
    auto d = std::make_unique<TDisturb>();
    d->Random.GeneratorState = 77u;
    d->FillTable(1000.0);
    const auto table = std::make_unique<decltype(d->Table)>(d->Table);

    QString message;
    bool saved = false;
    const auto result = failEverySinkStep(
        [&] {
            const FileResult written = d->SaveToFile(path);
            saved = written.ok();
            message = saved ? QString() : distableMessage(*written);
        },
        [&](const std::string& what) {
            SCOPED_TRACE(what);
            EXPECT_FALSE(saved);
            if (what == "open")
                EXPECT_TRUE(message.startsWith("Cannot create file \"" + QFileInfo(path).absoluteFilePath() + "\". "))
                    << message.toStdString();
            else
                EXPECT_EQ(message, "Stream write error");
            EXPECT_EQ(readAll(path), earlier);
            EXPECT_EQ(folder.files(), QStringList{"Distable"});
            EXPECT_EQ(std::memcmp(table->data(), d->Table.data(), sizeof *table), 0);
        },
        [&] {
            message.clear();
            writeAll(path, earlier);
        });
    // 50 waveforms of 3600 values: each piece can fail on its own.
    EXPECT_EQ(result.writes, 50);
    ASSERT_TRUE(test::fileOk(d->SaveToFile(path)));
    EXPECT_EQ(readAll(path).size(), kDistableBytes);
}

TEST_F(DistableFaults, StartUpWhoseSaveFailsReportsOnceAndRunsOnTheNewTable)
{
    for (const FileFaults& faults : {FileFaults{true, 0, false}, FileFaults{false, 1, false},
                                     FileFaults{false, 50, false}, FileFaults{false, 0, true}}) {
        SCOPED_TRACE(faults.failWriteNumber);
        ControllerHarness h;
        FileSink::injectFaults(faults);
        h.start();
        FileSink::clearFaults();
        ASSERT_EQ(h.dialogs.boxes.size(), 1u);
        EXPECT_EQ(h.dialogs.boxes[0].kind, "Error");
        EXPECT_TRUE(h.dialogs.boxes[0].text.startsWith(faults.failOpen ? "Cannot create file" : "Stream write error"));
        EXPECT_TRUE(h.folder.files().isEmpty()) << "no partial table file";
        EXPECT_TRUE(spansTheAmplitude(h.controller.disturb()));
        EXPECT_EQ(h.e().State, Blank);
        h.collect("run.txt");
        h.controller.StartBtnClick();
        EXPECT_TRUE(h.e().Recording);
        EXPECT_EQ(h.dialogs.boxes.size(), 1u);
    }
}

// Sizes around the table's 1,440,000 bytes. A short file is refused with the
// reader's message and replaced in memory by a fresh table; a longer one
// loads its first 1,440,000 bytes. The file itself is never touched.
TEST_F(DistableFaults, StartUpWithTableFilesOfEveryAwkwardSize)
{
    struct Case {
        qsizetype bytes;
        bool loads;
    };
    for (const Case c : {Case{0, false}, Case{8, false}, Case{1439999, false}, Case{1440000, true},
                         Case{1440008, true}}) {
        SCOPED_TRACE(c.bytes);
        ControllerHarness h;
        QByteArray bytes(c.bytes, '\0');
        for (qsizetype i = 0; i + 8 <= bytes.size(); i += 8) {
            const double value = double((i / 8) % 1001) - 500.0;
            std::memcpy(bytes.data() + i, &value, 8);  // the test machines are little-endian
        }
        if (c.bytes == 1440008) {
            const double nan = std::nan("");
            std::memcpy(bytes.data() + 1440000, &nan, 8);  // past the table: never read
        }
        writeAll(h.distable(), bytes);
        h.start();
        if (c.loads) {
            EXPECT_TRUE(h.dialogs.boxes.empty());
            EXPECT_EQ(h.controller.disturb().at(1, 1, 2), -499.0);
            EXPECT_EQ(h.controller.disturb().at(5, 10, 3600), double((kTableValues - 1) % 1001) - 500.0);
        } else {
            EXPECT_EQ(h.dialogs.texts(), QStringList{"Error: Stream read error"});
            EXPECT_TRUE(spansTheAmplitude(h.controller.disturb()));
            EXPECT_NE(h.controller.disturb().at(1, 1, 2), -499.0) << "a generated table, not the file's";
        }
        EXPECT_EQ(readAll(h.distable()), bytes);
        EXPECT_EQ(h.e().State, Blank);
    }
}

// A named pipe or a device in the table file's place would block start-up
// (opening a pipe waits for a writer) or feed it endless bytes: it is refused
// like a file that cannot be opened.
TEST_F(DistableFaults, StartUpRefusesATableFileThatIsNoRegularFile)
{
    ControllerHarness h;
    ASSERT_EQ(::mkfifo(QFile::encodeName(h.distable()).constData(), 0600), 0);
    h.start();
    ASSERT_EQ(h.dialogs.boxes.size(), 1u);
    EXPECT_TRUE(h.dialogs.boxes[0].text.startsWith("Cannot open file \"" + h.distable() + "\". "))
        << h.dialogs.boxes[0].text.toStdString();
    EXPECT_TRUE(spansTheAmplitude(h.controller.disturb()));
    EXPECT_EQ(h.e().State, Blank);
}

}  // namespace
}  // namespace quelvar::test
