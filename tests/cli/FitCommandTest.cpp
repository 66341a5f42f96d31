// quelvar-fit end to end: the real program on data files the test writes.
#include "datafiles/DataFile.h"
#include "common/Version.h"
#include "datafiles/ParameterFile.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <cmath>
#include <gtest/gtest.h>

using namespace quelvar;
using quelvar::test::TempFolder;

namespace {

struct Result {
    int status = -1;
    QString out;
    QString err;
};

Result runFit(const QStringList& arguments, const QString& workingDir = QString())
{
    QProcess process;
    if (!workingDir.isEmpty())
        process.setWorkingDirectory(workingDir);
    process.start(QStringLiteral(QUELVAR_FIT_BINARY), arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// A run whose mouse was produced by the model itself (delay 3 frames, gain
// 5.0, damping 0.1, reference 0) following a smooth target.
RunRecord modelGeneratedRun()
{
    RunRecord run;
    const int delay = 3;
    const double gain = 5.0, damping = 0.1;
    double output = 0.0;
    double perceptions[3601] = {};
    for (int i = 1; i <= kRunFrames; ++i) {
        const double target = 300.0 * std::sin(2 * M_PI * i / 900.0) + 100.0 * std::sin(2 * M_PI * i / 170.0);
        perceptions[i] = output - target;
        const double delayed = i - delay >= 1 ? perceptions[i - delay] : 0.0;
        output = output + (gain * (0.0 - delayed) - damping * output) / 60.0;
        run.Target[i] = target;
        run.Mouse[i] = output;
    }
    return run;
}

QStringList lines(const QString& text) { return text.split(QStringLiteral("\r\n")); }

}  // namespace

TEST(FitCommand, FitsEveryGoodFileAndReportsTheRejectedOnesInOrder)
{
    TempFolder folder;
    const RunRecord run = modelGeneratedRun();
    ASSERT_TRUE(writeDataFile(folder.path("a.txt"), 4, 7, run));
    ASSERT_TRUE(writeDataFile(folder.path("b.dat"), 2, 9, run));
    test::writeAll(folder.path("bad.txt"), "TrackDat\r\n");

    const Result r = runFit({"a.txt", "bad.txt", "missing.txt", "b.dat"}, folder.root());
    EXPECT_EQ(r.status, 1);
    const QStringList rows = r.out.trimmed().split('\n');
    ASSERT_EQ(rows.size(), 3) << r.out.toStdString();
    EXPECT_EQ(rows[0], "file,difficulty,disturbance,delay,gain,damping,reference,model_rms,tracking_rms,"
                       "late_frames,duration_s");
    EXPECT_TRUE(rows[1].startsWith("a.txt,4,7,"));
    EXPECT_TRUE(rows[2].startsWith("b.dat,2,9,"));
    EXPECT_EQ(r.err, "bad.txt: bad.txt is not a valid data file.\nmissing.txt: File not found.\n");

    EXPECT_TRUE(QFileInfo::exists(folder.path("a.par")));
    EXPECT_TRUE(QFileInfo::exists(folder.path("b.par")));
    EXPECT_FALSE(QFileInfo::exists(folder.path("bad.par")));
}

TEST(FitCommand, RecoversTheParametersOfAModelGeneratedRunAndWritesThemAsTheWindowWould)
{
    TempFolder folder;
    ASSERT_TRUE(writeDataFile(folder.path("run.txt"), 3, 1, modelGeneratedRun()));

    const Result r = runFit({folder.path("run.txt")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();

    const QStringList par = lines(QString::fromLatin1(test::readAll(folder.path("run.par"))));
    ASSERT_EQ(par.size(), 6);  // five lines, each ended by CR LF
    EXPECT_EQ(par[0], "TrackParameters");
    EXPECT_EQ(par[1], QFileInfo(folder.path("run.par")).absoluteFilePath());
    EXPECT_EQ(par[2], "       3       1");
    EXPECT_EQ(par[5], "");

    const auto values = parseParameterFile(test::readAll(folder.path("run.par")).toStdString());
    ASSERT_EQ(values.outcome, ParameterFileReadResult::Loaded);
    // The next frame after "Auto Fit" reloads whole spinner positions, so the
    // saved parameters are whole spinner steps.
    EXPECT_DOUBLE_EQ(values.values.inputDelay, 3.0);
    EXPECT_NEAR(values.values.outputGain, 5.0, 0.3);
    EXPECT_NEAR(values.values.damping, 0.1, 0.05);
    EXPECT_LT(values.values.modelRmsError, 0.2);

    // The CSV row carries the file's numbers, trimmed.
    const QStringList row = r.out.trimmed().split('\n').last().split(',');
    ASSERT_EQ(row.size(), 11);
    EXPECT_EQ(row.mid(9), (QStringList{"", ""})) << "no run description beside the file";
    const QStringList line4 = par[3].split(' ', Qt::SkipEmptyParts);
    const QStringList line5 = par[4].split(' ', Qt::SkipEmptyParts);
    EXPECT_EQ(row.mid(3, 4), line4);
    EXPECT_EQ(row.mid(7, 2), line5);
}

TEST(FitCommand, OutFolderIsCreatedAndHoldsTheBareNames)
{
    TempFolder folder;
    ASSERT_TRUE(writeDataFile(folder.path("s1.run.txt"), 1, 1, modelGeneratedRun()));
    const QString out = folder.path("results/deeper");

    const Result r = runFit({"--out", out, folder.path("s1.run.txt")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(out + "/s1.run.par"));
    EXPECT_FALSE(QFileInfo::exists(folder.path("s1.run.par")));
}

TEST(FitCommand, StartFileIsRetrievedAndARejectedOneStopsEverything)
{
    TempFolder folder;
    ASSERT_TRUE(writeDataFile(folder.path("run.txt"), 3, 1, modelGeneratedRun()));
    test::writeAll(folder.path("start.par"), "TrackParameters\r\nx\r\n 1 1\r\n 3 6 0.1 0\r\n 0 0\r\n");
    test::writeAll(folder.path("wrong.par"), "trackparameters\r\n");

    Result r = runFit({"--start", folder.path("start.par"), folder.path("run.txt")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    ASSERT_TRUE(QFile::remove(folder.path("run.par")));

    r = runFit({"--start", folder.path("wrong.par"), folder.path("run.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("wrong.par is not a valid parameter file.")) << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(folder.path("run.par")));
}

TEST(FitCommand, UsageErrorsAndHelp)
{
    Result r = runFit({});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains("Usage: quelvar-fit"));

    r = runFit({"--frobnicate", "x.txt"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains("unknown option --frobnicate"));

    r = runFit({"x.txt", "--out"});
    EXPECT_EQ(r.status, 2);

    r = runFit({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.contains("Usage: quelvar-fit"));

    r = runFit({"x.txt", "--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QStringLiteral("quelvar-fit %1\n").arg(kProgramVersion));
}

TEST(FitCommand, AParameterFileThatCannotBeWrittenFailsTheFile)
{
    TempFolder folder;
    ASSERT_TRUE(writeDataFile(folder.path("run.txt"), 3, 1, modelGeneratedRun()));
    // A folder where the parameter file should go.
    ASSERT_TRUE(QDir().mkpath(folder.path("run.par")));

    const Result r = runFit({folder.path("run.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.endsWith("run.txt: File I/O error.\n")) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed().split('\n').size(), 1);
}

TEST(FitCommand, PlotWritesAPictureOfBothGraphsBesideTheParameterFile)
{
    TempFolder folder;
    ASSERT_TRUE(writeDataFile(folder.path("run.txt"), 3, 1, modelGeneratedRun()));

    const Result r = runFit({"--plot", "--out", folder.path("out"), folder.path("run.txt")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QImage picture(folder.path("out/run.png"));
    ASSERT_FALSE(picture.isNull());
    // Two graphs at twice their design width, one above the other.
    EXPECT_GE(picture.width(), 1272);
    EXPECT_GE(picture.height(), 272 + 306);
    // The target's red and the model's blue both appear somewhere.
    bool red = false, blue = false;
    for (int y = 0; y < picture.height(); y += 1)
        for (int x = 0; x < picture.width(); x += 1) {
            const QRgb c = picture.pixel(x, y) & 0xFFFFFF;
            red |= c == 0xFF0000;
            blue |= c == 0x0000FF;
        }
    EXPECT_TRUE(red);
    EXPECT_TRUE(blue);
}
