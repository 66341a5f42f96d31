// quelvar-fit with the files a recorded run leaves beside its data file: the
// two timing columns, and the interval strip under the plot, each taken only
// from files that belong to that very data file.
#include "analysis/FrameIntervalStrip.h"
#include "analysis/GraphPlot.h"
#include "datafiles/DataFile.h"
#include "datafiles/FrameTimingFile.h"
#include "datafiles/RunDescriptionFile.h"
#include "support/TestFiles.h"

#include <QCryptographicHash>
#include <QImage>
#include <QProcess>
#include <gtest/gtest.h>
#include <cmath>
#include <memory>

using namespace quelvar;
using quelvar::test::readAll;
using quelvar::test::TempFolder;
using quelvar::test::writeAll;

namespace {

std::unique_ptr<RunRecord> run(double phase)
{
    auto r = std::make_unique<RunRecord>();
    for (int i = 1; i <= kRunFrames; ++i) {
        r->Target[i] = 300.0 * std::sin(i / 150.0 + phase);
        r->Mouse[i] = 280.0 * std::sin((i - 15) / 150.0 + phase);
    }
    return r;
}

// 17 ms frames; every 500th lasts 30 ms.
std::unique_ptr<FrameTiming> timingWithLateFrames()
{
    auto t = std::make_unique<FrameTiming>();
    std::int64_t ticks = 0;
    for (int i = 0; i <= kRunFrames; ++i)
        t->noteFrame(i, ticks += (i % 500 == 0 ? 30 : 17) * 1000000);
    return t;
}

void describe(const QString& json, const QString& dataFile)
{
    RunDescription d;
    d.dataFileSha256Hex = QCryptographicHash::hash(readAll(dataFile), QCryptographicHash::Sha256).toHex();
    d.intervals = timingWithLateFrames()->stats(1000000000);
    writeAll(json, formatRunDescription(d));
}

QStringList runFit(const QStringList& arguments, QString* err)
{
    QProcess process;
    process.start(QStringLiteral(QUELVAR_FIT_BINARY), arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    *err = QString::fromUtf8(process.readAllStandardError());
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed().split('\n');
}

TEST(FitTimingColumns, FilledFromTheDescriptionOfThatDataFileAndEmptyOtherwise)
{
    TempFolder f;
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        ASSERT_TRUE(writeDataFile(f.path(name), 3, 1, *run(0.0)));
    describe(f.path("a.json"), f.path("a.txt"));
    describe(f.path("b.json"), f.path("b.txt"));
    ASSERT_TRUE(writeDataFile(f.path("b.txt"), 3, 1, *run(1.0)));  // recorded again since

    QString err;
    const QStringList rows = runFit({f.path("a.txt"), f.path("b.txt"), f.path("c.txt")}, &err);
    ASSERT_EQ(rows.size(), 4) << err.toStdString();
    EXPECT_TRUE(rows[0].endsWith(",tracking_rms,late_frames,duration_s"));
    EXPECT_TRUE(rows[1].endsWith(",7,61.291000")) << rows[1].toStdString();
    EXPECT_TRUE(rows[2].endsWith(",,")) << rows[2].toStdString();
    EXPECT_TRUE(rows[3].endsWith(",,")) << rows[3].toStdString();
    EXPECT_TRUE(err.endsWith(f.path("b.txt") + ": b.json passed over: it describes another version of the data file\n"))
        << err.toStdString();
}

TEST(FitTimingColumns, PlotGainsTheIntervalStripWithLateFramesInRed)
{
    TempFolder f;
    const auto recorded = run(0.0);
    ASSERT_TRUE(writeDataFile(f.path("a.txt"), 3, 1, *recorded));
    ASSERT_TRUE(writeDataFile(f.path("plain.txt"), 3, 1, *recorded));
    writeAll(f.path("a.frames.csv"), formatFrameTimingFile(*timingWithLateFrames(), 1000000000, *recorded));
    QString err;
    runFit({"--plot", f.path("a.txt"), f.path("plain.txt")}, &err);
    EXPECT_FALSE(err.contains("passed over")) << err.toStdString();

    const QImage plain = QImage(f.path("plain.png")).convertToFormat(QImage::Format_RGB32);
    const QImage strip = QImage(f.path("a.png")).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(plain.isNull());
    const FrameIntervalStripLayout layout = frameIntervalStripLayout(plain.size());
    ASSERT_EQ(strip.size(), layout.image);
    // Below the titles (the files' names), the plot above the strip is the plain one.
    const QRect graphs(0, analysisPlotLayout().runGraph.top(), plain.width(),
                       plain.height() - analysisPlotLayout().runGraph.top());
    EXPECT_EQ(strip.copy(graphs), plain.copy(graphs));
    // Each late frame's column is red; the strip holds no red elsewhere
    // beyond the threshold line.
    int redColumns = 0;
    for (int x = layout.strip.left(); x <= layout.strip.right(); ++x)
        redColumns += (strip.pixel(x, layout.strip.top() + 2) & 0xFFFFFF) == 0xFF0000 ? 1 : 0;
    EXPECT_GE(redColumns, 7);
    EXPECT_LE(redColumns, 7 * 3);

    // A timing file of another run is passed over.
    writeAll(f.path("plain.frames.csv"), formatFrameTimingFile(*timingWithLateFrames(), 1000000000, *run(2.0)));
    runFit({"--plot", f.path("plain.txt")}, &err);
    EXPECT_EQ(QImage(f.path("plain.png")).size(), plain.size());
    EXPECT_TRUE(err.endsWith(f.path("plain.txt") + ": plain.frames.csv passed over: it belongs to another run\n"))
        << err.toStdString();
}

}  // namespace
