// The timing file and the run description as text: exact rows, JSON that any
// parser reads whatever the names hold, and the readers quelvar-fit relies on
// refusing what they did not write. (This suite also runs under a
// decimal-comma locale.)
#include "datafiles/FrameTimingFile.h"
#include "datafiles/RunDescriptionFile.h"
#include "support/SyntheticRuns.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>

namespace quelvar {
namespace {

// Frames of 16.666667 ms, frame 1 late at 25 ms.
std::unique_ptr<FrameTiming> timing()
{
    return test::frameTimes([](int i) { return i == 1 ? 25000000 : 16666667; }, 5000000000);
}

TEST(FrameTimingFile, RowsCarryTimesAndPositionsWithPointDecimalsAndReadBackAsNothingElseDoes)
{
    auto run = std::make_unique<RunRecord>();
    for (int i = 1; i <= kRunFrames; ++i) {
        run->Mouse[i] = i == 1 ? 12.345 : -0.001;
        run->Target[i] = -56.78;
    }
    const QByteArray text = formatFrameTimingFile(*timing(), 1000000000, *run);
    const QList<QByteArray> lines = text.split('\n');
    ASSERT_EQ(lines.size(), kRunFrames + 2);
    EXPECT_EQ(lines[0], "frame,time_s,interval_ms,late,mouse,target");
    EXPECT_EQ(lines[1], "1,0.000000000,25.000000,1,12.35,-56.78");
    EXPECT_EQ(lines[2], "2,0.016666667,16.666667,0,-0.00,-56.78");
    EXPECT_EQ(lines[3600], "3600,59.983334533,16.666667,0,-0.00,-56.78");
    EXPECT_EQ(lines.last(), "") << "the last line ends too";

    const std::string good = text.toStdString();
    auto rows = std::make_unique<FrameTimingRows>();
    QString problem;
    ASSERT_TRUE(parseFrameTimingFile(good, *rows, &problem)) << problem.toStdString();
    EXPECT_EQ(std::tuple(rows->intervalMs[1], bool(rows->late[1]), rows->mouse[1]),
              std::tuple(25.0, true, 12.35));
    QByteArray crlf = text;
    crlf.replace("\n", "\r\n");
    EXPECT_TRUE(parseFrameTimingFile(crlf.toStdString(), *rows, &problem));

    auto edited = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        return text.replace(text.find(from), from.size(), to);
    };
    const std::string broken[] = {
        edited("frame,", "Frame,"),
        edited("1,0.000000000,25.000000,1", "1,0.000000000,25.000000,2"),
        edited("2,0.016666667", "3,0.016666667"),
        edited("12.35", "nan"),
        edited("12.35", "12,35"),
        edited("-56.78\n", "-56.78,7\n"),
        good.substr(0, good.rfind("3600,")),
        good + "3601,60.0,16.667,0,0.00,0.00\n",
    };
    for (const std::string& text : broken)
        EXPECT_FALSE(parseFrameTimingFile(text, *rows, &problem)) << text.substr(0, 120);
}

RunDescription description()
{
    RunDescription d;
    d.dataFile = QStringLiteral("sub\"j\\\n\u00e9.txt");
    d.dataFileSha256Hex = QCryptographicHash::hash("data", QCryptographicHash::Sha256).toHex();
    d.intervals = timing()->stats(1000000000);
    d.screen = {QStringLiteral("Écran\t1"), QRect(-1920, 0, 1920, 1080), std::nan(""), "xcb"};
    d.table.source = TableSource::Loaded;
    return d;
}

TEST(RunDescriptionFile, AnyJsonParserReadsItWhateverTheNamesHoldAndItsSummaryNeedsSoundTiming)
{
    const QByteArray text = formatRunDescription(description());
    EXPECT_TRUE(text.endsWith("\n}\n"));
    EXPECT_FALSE(text.contains('\r'));
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(text, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    EXPECT_EQ(o["data_file"].toString(), description().dataFile);
    EXPECT_EQ(o["screen_name"].toString(), description().screen.name);
    EXPECT_EQ(o["screen_geometry"].toObject()["x"].toInt(), -1920);
    EXPECT_TRUE(o["screen_refresh_rate_hz"].isNull()) << "not a number is no JSON number";
    EXPECT_TRUE(o["disturbance_table_saved"].isNull()) << "a loaded table was not saved";
    EXPECT_TRUE(text.contains("\"frame_interval_max_ms\": 25.000000,"));
    EXPECT_TRUE(text.contains("\"nominal_frame_period_ms\": 16.666667,"));

    QString problem;
    ASSERT_TRUE(runDescriptionSummary(text, "data", &problem)) << problem.toStdString();
    const std::pair<const char*, const char*> edits[] = {
        {"late_frames", "-1"},   {"late_frames", "2.5"},  {"late_frames", "\"1\""},
        {"late_frames", "3601"}, {"duration_s", "-60.5"}, {"duration_s", "1e999"}};
    for (const auto& [key, value] : edits) {
        const QRegularExpression number(QString("\"%1\": [0-9.]+").arg(key));
        const QString edited =
            QString::fromUtf8(text).replace(number, QString("\"%1\": %2").arg(key, value));
        EXPECT_FALSE(runDescriptionSummary(edited.toUtf8(), "data", &problem))
            << key << " " << value;
    }
}

}  // namespace
}  // namespace quelvar
