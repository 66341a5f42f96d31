// quelvar-fit with the files a recorded run leaves beside its data file: the
// two timing columns, and the interval strip under the plot, each taken only
// from files that belong to that very data file.
#include "analysis/FrameIntervalStrip.h"
#include "analysis/GraphPlot.h"
#include "datafiles/DataFile.h"
#include "datafiles/FrameTimingFile.h"
#include "datafiles/RunDescriptionFile.h"
#include "support/FitRunner.h"
#include "support/SyntheticRuns.h"
#include "support/TestFiles.h"

#include <QCryptographicHash>
#include <QImage>
#include <gtest/gtest.h>
#include <memory>

using namespace quelvar;
using namespace quelvar::test;

namespace {

std::unique_ptr<RunRecord> run(double phase) { return test::sineRun({300.0, 280.0, 150.0, 15, phase}); }

// 17 ms frames; every 500th lasts 30 ms.
std::unique_ptr<FrameTiming> timingWithLateFrames()
{
    return test::frameTimes([](int i) { return (i % 500 == 0 ? 30 : 17) * 1000000; }, 30000000);
}

QByteArray sha256Of(const QString& path)
{
    return QCryptographicHash::hash(readAll(path), QCryptographicHash::Sha256).toHex();
}

// a.txt has both files of its own; b.txt has both, left from an earlier run
// under its name; c.txt has none; d.json is some other program's JSON.
TEST(FitTimingColumns, ColumnsAndStripComeOnlyFromFilesOfThatVeryDataFile)
{
    TempFolder f;
    const auto recorded = run(0.0);
    for (const char* name : {"a", "b", "c", "d"})
        ASSERT_TRUE(fileOk(writeDataFile(f.path(name + QString(".txt")), 3, 1, *recorded)));
    for (const char* name : {"a", "b"}) {
        RunDescription d;
        d.dataFileSha256Hex = sha256Of(f.path(name + QString(".txt")));
        d.intervals = timingWithLateFrames()->stats(1000000000);
        writeAll(f.path(name + QString(".json")), formatRunDescription(d));
        writeAll(f.path(name + QString(".frames.csv")),
                 formatFrameTimingFile(*timingWithLateFrames(), 1000000000, *recorded));
    }
    ASSERT_TRUE(fileOk(writeDataFile(f.path("b.txt"), 3, 1, *run(1.0))));
    writeAll(f.path("d.json"), "{\"data_file_sha256\": \"" + sha256Of(f.path("d.txt"))
                                   + "\", \"late_frames\": 0, \"duration_s\": 60}\n");

    const auto [status, out, err] =
        test::runFitProgram({"--plot", f.path("a.txt"), f.path("b.txt"), f.path("c.txt"), f.path("d.txt")});
    const QStringList rows = out.trimmed().split('\n');
    ASSERT_EQ(rows.size(), 5) << err.toStdString();
    EXPECT_TRUE(rows[0].endsWith(",tracking_rms,late_frames,duration_s"));
    EXPECT_TRUE(rows[1].endsWith(",7,61.291000")) << rows[1].toStdString();
    EXPECT_TRUE(rows[2].endsWith(",,") && rows[3].endsWith(",,") && rows[4].endsWith(",,"));
    EXPECT_TRUE(err.endsWith(f.path("b.txt") + ": b.frames.csv passed over: it belongs to another run\n" +
                             f.path("b.txt") + ": b.json passed over: it describes another version of the data file\n" +
                             f.path("d.txt") + ": d.json passed over: it is not a run description\n"))
        << err.toStdString();

    const QImage plain = QImage(f.path("c.png")).convertToFormat(QImage::Format_RGB32);
    const QImage strip = QImage(f.path("a.png")).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(QImage(f.path("b.png")).size(), plain.size());
    const FrameIntervalStripLayout layout = frameIntervalStripLayout(plain.size());
    ASSERT_EQ(strip.size(), layout.image);
    // Below the titles (the files' names), the plot above the strip is the plain one.
    const QRect graphs(0, analysisPlotLayout().runGraph.top(), plain.width(),
                       plain.height() - analysisPlotLayout().runGraph.top());
    EXPECT_EQ(strip.copy(graphs), plain.copy(graphs));
    // The 7 late frames are marked in red along the strip's top, a few pixels each.
    int redColumns = 0;
    for (int x = layout.strip.left(); x <= layout.strip.right(); ++x)
        redColumns += (strip.pixel(x, layout.strip.top() + 2) & 0xFFFFFF) == 0xFF0000 ? 1 : 0;
    EXPECT_GE(redColumns, 7);
    EXPECT_LE(redColumns, 7 * 3);
}

}  // namespace
