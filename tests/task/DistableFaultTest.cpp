// "Distable" at start-up and under failure: a save that fails at any step, on
// its own and during start-up, and start-up with table files it cannot use
// or of every awkward size.
#include "task/ControllerHarness.h"

#include "datafiles/FileSink.h"
#include "support/FaultLoop.h"
#include "task/DisturbFR.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <sys/stat.h>

namespace quelvar::test {
namespace {

QByteArray tableBytes(double value)
{
    QByteArray bytes(kDistableBytes, Qt::Uninitialized);
    for (int i = 0; i < kTableValues; ++i)
        std::memcpy(bytes.data() + i * 8, &value, 8);  // the test machines are little-endian
    return bytes;
}

class DistableFaults : public ::testing::Test {
protected:
    void TearDown() override { FileSink::clearFaults(); }
    TempFolder folder;
};

TEST(ControllerStartup, ExistingTableIsLoadedAsItIs)
{
    ControllerHarness h(false);
    writeAll(h.distable(), tableBytes(123.25));
    h.start();
    EXPECT_TRUE(h.dialogs.boxes.empty());
    EXPECT_EQ(h.controller.disturb().at(5, 10, 3600), 123.25);
}

// A table file that cannot be used is reported with the reader's own text, a
// table that cannot be saved with the writer's; the session then runs on a
// fresh table and the folder is left as it was. A named pipe in the file's
// place would block start-up (opening a pipe waits for a writer) or a device
// feed it endless bytes: it is refused like a file that cannot be opened.
TEST_F(DistableFaults, StartUpReportsATableItCannotUseOrSaveOnceAndRunsOnAFreshOne)
{
    using Prepare = std::function<void(ControllerHarness&)>;
    const auto faults = [](FileFaults f) -> Prepare {
        return [f](ControllerHarness&) { FileSink::injectFaults(f); };
    };
    const struct {
        const char* name;
        Prepare prepare;
        const char* box;  // how the box starts; %1 stands for the table file
    } cases[] = {
        {"short file", [](ControllerHarness& h) { writeAll(h.distable(), QByteArray(1000, '\0')); },
         "Stream read error"},
        {"folder in its place", [](ControllerHarness& h) { QDir().mkdir(h.distable()); },
         "Cannot open file"},
        {"not a number",
         [](ControllerHarness& h) {
             QByteArray bytes = tableBytes(1.0);
             const double nan = std::nan("");
             std::memcpy(bytes.data() + 8 * 4000, &nan, 8);
             writeAll(h.distable(), bytes);
         },
         "Invalid value"},
        {"named pipe",
         [](ControllerHarness& h) {
             ASSERT_EQ(::mkfifo(QFile::encodeName(h.distable()).constData(), 0600), 0);
         },
         "Cannot open file \"%1\". "},
        {"no such folder",
         [](ControllerHarness& h) { h.tableFile = h.folder.path("no such folder/Distable"); },
         "Cannot create file"},
        {"open fails", faults({true, 0, false}), "Cannot create file"},
        {"write 1 fails", faults({false, 1, false}), "Stream write error"},
        {"write 50 fails", faults({false, 50, false}), "Stream write error"},
        {"commit fails", faults({false, 0, true}), "Stream write error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ControllerHarness h(false);
        c.prepare(h);
        const QStringList files = h.folder.files();
        const bool isFile = QFileInfo(h.distable()).isFile();
        const QByteArray bytes = isFile ? readAll(h.distable()) : QByteArray();
        h.start();
        FileSink::clearFaults();
        ASSERT_EQ(h.dialogs.boxes.size(), 1u);
        EXPECT_EQ(h.dialogs.boxes[0].kind, "Error");
        EXPECT_TRUE(h.dialogs.boxes[0].text.startsWith(QString(c.box).replace("%1", h.distable())))
            << h.dialogs.boxes[0].text.toStdString();
        EXPECT_TRUE(spansTheAmplitude(h.controller.disturb())) << "a generated table";
        EXPECT_EQ(h.folder.files(), files) << "no partial table file";
        if (isFile)
            EXPECT_EQ(readAll(h.distable()), bytes) << "the file is untouched";
        // Start-up completed: the idle handler ran and the task can start.
        EXPECT_EQ(h.e().State, Blank);
        EXPECT_EQ(h.e().DisplayScale, 1200);
        h.startRun();
        EXPECT_TRUE(h.shows(Tracking, true, "Start Tracking", clYellow));
        EXPECT_EQ(h.dialogs.boxes.size(), 1u);
    }
}

// The earlier file, a whole table or a short one, stays as it was; where
// there was none, none is left behind.
TEST_F(DistableFaults, ASaveFailingAtAnyStepLeavesTheEarlierFileAndTheTable)
{
    const QString path = folder.path("Distable");
    for (const QByteArray& earlier :
         {QByteArray(1440000, '\x11'), QByteArray("earlier"), QByteArray()}) {
        SCOPED_TRACE(testing::Message() << earlier.size() << " bytes before");
        const QStringList files = earlier.isEmpty() ? QStringList() : QStringList{"Distable"};
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
                const QString cannotCreate =
                    "Cannot create file \"" + QFileInfo(path).absoluteFilePath();
                if (what == "open")
                    EXPECT_TRUE(message.startsWith(cannotCreate + "\". ")) << message.toStdString();
                else
                    EXPECT_EQ(message, "Stream write error");
                EXPECT_EQ(folder.files(), files);
                if (!earlier.isEmpty())
                    EXPECT_EQ(readAll(path), earlier);
                EXPECT_EQ(std::memcmp(table->data(), d->Table.data(), sizeof *table), 0);
            },
            [&] {
                message.clear();
                QFile::remove(path);
                if (!earlier.isEmpty())
                    writeAll(path, earlier);
            });
        // 50 waveforms of 3600 values: each piece can fail on its own.
        EXPECT_EQ(result.writes, 50);
        ASSERT_TRUE(test::fileOk(d->SaveToFile(path)));
        EXPECT_EQ(readAll(path).size(), kDistableBytes);
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
        ControllerHarness h(false);
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

}  // namespace
}  // namespace quelvar::test
