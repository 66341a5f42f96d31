// A recorded run's timing proof: frame times taken from the pacing clock,
// late frames found and counted, the timing file and the run description
// written beside the data file (every documented key, the table they ran on),
// the window told, and nothing written for an aborted run.
#include "task/ControllerHarness.h"

#include "common/WorkThreads.h"
#include "datafiles/DataFile.h"
#include "datafiles/FrameTimingFile.h"
#include "support/AllocationCounter.h"
#include "task/RunTimingView.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>
#include <map>

namespace quelvar::test {
namespace {

class FakeTimingView : public RunTimingView {
public:
    std::vector<int> lateCounts;
    ScreenFacts screenFacts() const override { return {"HDMI-1", QRect(0, 0, 1920, 1080), 59.94, "xcb"}; }
    void showLastRunLateFrames(int late) override { lateCounts.push_back(late); }
};

struct TimedHarness : ControllerHarness {
    FakeTimingView timingView;
    // `distable`: what the table file holds at start-up (null: no file);
    // `dataFile`: the file Collect Data chooses then (null: none yet).
    explicit TimedHarness(const QByteArray* distable = nullptr, const char* dataFile = "run.txt")
        : ControllerHarness(false)
    {
        if (distable)
            writeAll(folder.path("Distable"), *distable);
        controller.timing().setView(&timingView);
        start();
        if (dataFile)
            collect(dataFile);
    }

    // Records a run to its end. The clock jumps by `stall` ns after the pass
    // that recorded frame f - 2, which stretches the wait that ends before
    // frame f: a frame lasts 17 ms on this clock, a stalled one stall + 1 ms.
    void recordRun(const std::map<int, std::int64_t>& stallBefore = {})
    {
        controller.StartBtnClick();
        trackUntil([&] { return !(e().Recording && e().State == Tracking); }, 7, [&] {
            const auto stall = stallBefore.find(int(e().FrameCounter) + 2);
            if (e().Recording && stall != stallBefore.end())
                clock.ticks += stall->second;
        });
    }

    QJsonObject description(const QString& name) const
    {
        return QJsonDocument::fromJson(readAll(folder.path(name))).object();
    }
};

constexpr std::int64_t kMs = 1000000;

// Names matched by `pattern` in `text`, in order.
QStringList namesIn(const QString& text, const char* pattern)
{
    QStringList names;
    for (const auto& m : QRegularExpression(QString::fromLatin1(pattern), QRegularExpression::MultilineOption)
                             .globalMatch(text))
        names << m.captured(1);
    return names;
}

// The wall clock is anchored at the stamps of the first and last frame.
TEST(RunTiming, LateFramesAreFoundFromThePacingClockAndWrittenToBothFilesWithTheWallClock)
{
    TimedHarness h;
    // Frame 1 is measured from the last lead-in frame; 20 ms exactly is on time.
    h.recordRun({{1, 25 * kMs}, {2, 19 * kMs}, {1800, 25 * kMs}, {3600, 39 * kMs}});
    EXPECT_TRUE(h.dialogs.boxes.empty()) << h.dialogs.texts().join('\n').toStdString();
    EXPECT_EQ(h.timingView.lateCounts, std::vector<int>{3});

    FrameTimingRows rows;
    ASSERT_TRUE(fileOk(readFrameTimingFile(h.folder.path("run.frames.csv"), rows)));
    const std::map<int, double> stretched{{1, 26.0}, {2, 20.0}, {1800, 26.0}, {3600, 40.0}};
    double elapsed = 0.0;
    for (int i = 1; i <= kRunFrames; ++i) {
        const auto found = stretched.find(i);
        const double interval = found == stretched.end() ? 17.0 : found->second;
        if (i > 1)
            elapsed += interval / 1000.0;
        ASSERT_DOUBLE_EQ(rows.intervalMs[i], interval) << i;
        ASSERT_EQ(rows.late[i], interval > 20.0) << i;
        ASSERT_NEAR(rows.timeS[i], elapsed, 1e-9) << i;
    }
    // The positions are those of the data file, row for row.
    RunRecord written;
    ASSERT_EQ(readDataFile(h.folder.path("run.txt"), written).outcome, DataFileReadResult::Loaded);
    EXPECT_TRUE(rows.mouse == written.Mouse && rows.target == written.Target);

    const QJsonObject d = h.description("run.json");
    const QString json = QString::fromUtf8(readAll(h.folder.path("run.json")));
    EXPECT_EQ(d["late_frames"].toInt(), 3);
    EXPECT_EQ(d["frame_interval_min_ms"].toDouble(), 17.0);
    EXPECT_EQ(d["frame_interval_max_ms"].toDouble(), 40.0);
    EXPECT_EQ(d["frame_interval_p99_ms"].toDouble(), 17.0);
    EXPECT_NEAR(d["frame_interval_mean_ms"].toDouble(), 61244.0 / 3600.0, 1e-6);
    EXPECT_NEAR(d["duration_s"].toDouble(), 61.244, 1e-9);
    EXPECT_EQ(d["data_file_sha256"].toString(),
              QCryptographicHash::hash(readAll(h.folder.path("run.txt")), QCryptographicHash::Sha256).toHex());
    EXPECT_EQ(d["screen_geometry"].toObject()["width"].toInt(), 1920);
    EXPECT_EQ(d["display_height_px"].toInt(), 651);

    // Every key the README documents, in its order, and no other.
    const QString readme = QString::fromUtf8(readAll(QStringLiteral(QUELVAR_SOURCE_DIR "/README.md")));
    const QStringList keys = namesIn(json, "^  \"(\\w+)\":");
    EXPECT_EQ(keys, namesIn(readme.section("describes the run in one JSON object", 1).section("\n\n", 1, 1),
                            "^\\| `(\\w+)`"));
    EXPECT_EQ(keys.size(), d.size());

    // The exact decimal text of a key's value, and of a stamp in seconds.
    auto valueOf = [&](const QString& key) {
        return QRegularExpression("\"" + key + "\": ([0-9.]+)").match(json).captured(1);
    };
    const auto seconds = [](std::int64_t ns) {
        return QString::asprintf("%lld.%09lld", qint64(ns / 1000000000), qint64(ns % 1000000000));
    };
    const FrameTiming& frames = h.controller.timing().frames();
    const std::int64_t wall = SteppingClock::wallOffset;
    for (const auto& [frame, anchor] : {std::pair{1, "start"}, std::pair{kRunFrames, "end"}}) {
        const std::int64_t stamp = frames.ticks(frame);
        EXPECT_EQ(valueOf(QString("anchor_%1_monotonic_s").arg(anchor)), seconds(stamp));
        EXPECT_EQ(valueOf(QString("anchor_%1_unix_time_s").arg(anchor)), seconds(stamp + wall));
    }
    const QString start = d["recording_start"].toString();
    EXPECT_EQ(QDateTime::fromString(start, Qt::ISODateWithMs).toMSecsSinceEpoch(),
              (frames.ticks(1) + wall) / kMs);
}

TEST(RunTiming, AnAbortedRunGoesBackToPracticeClearedWritingNothingAndACleanRunClearsTheNote)
{
    TimedHarness h;
    h.controller.StartBtnClick();
    h.passUntil([&] { return h.e().FrameCounter == 500; });
    h.controller.AbortBtnClick();
    EXPECT_TRUE(h.dialogs.boxes.empty());
    EXPECT_FALSE(h.e().RunAvailable);
    EXPECT_TRUE(h.shows(Tracking, false, "Pre-run Practice", clYellow));
    EXPECT_EQ(h.view.elapsed, " ");
    const RunRecord& run = h.state->run;
    for (int i = 1; i <= kRunFrames; ++i)
        ASSERT_TRUE(run.Mouse[i] == 0.0 && run.Target[i] == 0.0 && run.Error[i] == 0.0) << i;
    // Practice goes on from wherever the table index stands.
    const int position = h.e().TablePosition;
    h.passes(1);
    EXPECT_EQ(h.e().TablePosition, position + 1);
    EXPECT_FALSE(QFileInfo::exists(h.folder.path("run.txt")));
    EXPECT_EQ(h.folder.files(), QStringList{"Distable"});
    EXPECT_TRUE(h.timingView.lateCounts.empty());

    h.recordRun({{10, 30 * kMs}});
    h.recordRun();
    EXPECT_EQ(h.timingView.lateCounts, (std::vector<int>{1, 0}));
    EXPECT_EQ(h.description("run.json")["late_frames"].toInt(), 0);
    EXPECT_EQ(h.description("run.json")["duration_s"].toDouble(), 61.2);
}

TEST(RunTiming, EveryRunOfASeriesIsDescribed)
{
    TimedHarness h(nullptr, nullptr);
    h.controller.NRunsUpDownClick(2);
    h.controller.IRIUpDownClick(10);
    h.startRun("subj.txt");
    h.passUntil([&] { return h.e().State == Blank; }, 30000);
    QStringList seriesIds, runIds;
    for (const auto& [name, run] : {std::pair{"subj.json", 1}, std::pair{"subj_b.json", 2}}) {
        const QJsonObject d = h.description(name);
        EXPECT_EQ(d["run_number"].toInt(), run) << name;
        EXPECT_EQ(d["run_count"].toInt(), 2);
        EXPECT_EQ(d["inter_run_interval_s"].toInt(), 10);
        seriesIds << d["series_id"].toString();
        runIds << d["run_id"].toString();
    }
    EXPECT_TRUE(QFileInfo::exists(h.folder.path("subj_b.frames.csv")));
    // The next series, of one run, is another series.
    h.controller.NRunsUpDownClick(1);
    h.collect("next.txt");
    h.recordRun();
    seriesIds << h.description("next.json")["series_id"].toString();
    runIds << h.description("next.json")["run_id"].toString();
    EXPECT_EQ(seriesIds[0], seriesIds[1]);
    EXPECT_NE(seriesIds[1], seriesIds[2]);
    EXPECT_EQ(QSet<QString>(runIds.begin(), runIds.end()).size(), 3);
    EXPECT_EQ(QSet<QString>(seriesIds.begin(), seriesIds.end()).size(), 2);
    EXPECT_FALSE(seriesIds.contains(QString()) || runIds.contains(QString()));
}

TEST(RunTiming, TheDescriptionNamesTheTableAndWhereItCameFrom)
{
    // The description of a run after a start with `distable` in the folder,
    // and what the folder's table file holds afterwards.
    auto describedWith = [](const QByteArray* distable, QByteArray* fileAfter) {
        TimedHarness h(distable);
        h.recordRun();
        *fileAfter = readAll(h.tableFile);
        const QJsonObject d = h.description("run.json");
        EXPECT_EQ(d["disturbance_table_file"], QFileInfo(h.tableFile).absoluteFilePath());
        return d;
    };
    auto sha = [](const QByteArray& bytes) {
        return QJsonValue(QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()));
    };
    QByteArray generated, loaded, kept;
    const QByteArray unusable = "too short";
    const QJsonObject fresh = describedWith(nullptr, &generated);
    const QJsonObject fromFile = describedWith(&generated, &loaded);
    const QJsonObject afresh = describedWith(&unusable, &kept);
    EXPECT_EQ(fresh["disturbance_table_source"], "generated");
    EXPECT_EQ(fresh["disturbance_table_saved"], true);
    EXPECT_EQ(fresh["disturbance_table_sha256"], sha(generated)) << "as sha256sum Distable";
    EXPECT_EQ(fromFile["disturbance_table_source"], "Distable");
    EXPECT_TRUE(fromFile["disturbance_table_saved"].isNull());
    EXPECT_EQ(fromFile["disturbance_table_sha256"], sha(generated));
    EXPECT_EQ(afresh["disturbance_table_source"], "generated");
    EXPECT_EQ(afresh["disturbance_table_saved"], false);
    EXPECT_EQ(kept, unusable) << "an unusable table file is left as it was";
}

TEST(RunTiming, ACompanionThatCannotBeWrittenIsNamedAsSuchAndTheDescriptionSaysSo)
{
    // What is in the way; the box; whether the description says the frames file was written.
    const struct { const char* blocked; bool folder; const char* box; bool framesWritten; } cases[] = {
        {"run.json", false,
         "Error: The run was saved in run.txt. Its description could not be written: "
         "a file of that name that Quelvar did not write is kept.", true},
        {"run.frames.csv", true,
         "Error: The run was saved in run.txt. Its frames file could not be written: "
         "a folder of that name is in the way.", false},
    };
    for (const auto& c : cases) {
        TimedHarness h;
        const QString blocked = h.folder.path(c.blocked);
        h.controller.StartBtnClick();  // made while the run is recorded: before, nothing would start
        if (c.folder)
            QDir().mkdir(blocked);
        else
            writeAll(blocked, "{\"mine\": 1}\n");
        h.recordRun();
        EXPECT_EQ(h.dialogs.texts(), QStringList{c.box});
        EXPECT_EQ(QFileInfo(blocked).isDir(), c.folder);
        if (!c.folder)
            EXPECT_EQ(readAll(blocked), "{\"mine\": 1}\n");
        EXPECT_TRUE(QFileInfo::exists(h.folder.path("run.txt")));
        if (c.framesWritten)
            EXPECT_TRUE(QFileInfo(h.folder.path("run.frames.csv")).isFile());
        else
            EXPECT_EQ(h.description("run.json")["frames_file_written"], false);
    }
}

TEST(RunTiming, BothFilesAreWrittenWhenNoThreadCanStart)
{
    TimedHarness h;
    limitWorkThreadStarts(0);
    h.recordRun();
    limitWorkThreadStarts(-1);
    EXPECT_TRUE(h.dialogs.boxes.empty()) << h.dialogs.texts().join('\n').toStdString();
    EXPECT_EQ(h.description("run.json")["data_file"].toString(), "run.txt");
    EXPECT_TRUE(readAll(h.folder.path("run.frames.csv")).size() > 3600 * 20);
}

TEST(RunTiming, NotingFrameTimesAllocatesNothing)
{
    auto timing = std::make_unique<FrameTiming>();
    AllocationCounter counter;
    for (int frame = -240; frame <= kRunFrames; ++frame)
        timing->noteFrame(frame, frame * 17 * kMs);
    EXPECT_EQ(counter.count(), 0u);
}

}  // namespace
}  // namespace quelvar::test
