// quelvar-fit end to end: the real program on data files the test writes.
#include "analysis/AnalysisSession.h"
#include "analysis/GraphPlot.h"
#include "common/Version.h"
#include "datafiles/DataFile.h"
#include "datafiles/ParameterFile.h"
#include "support/AnalysisHarness.h"
#include "support/FitRunner.h"
#include "support/ImageChecks.h"
#include "support/ModelRuns.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <gtest/gtest.h>

using namespace quelvar;
using namespace quelvar::test;

namespace {

// Each test has a folder of its own, which quelvar-fit runs in, holding
// run.txt: a model-generated run of difficulty 3, disturbance 1.
class FitCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fileOk(writeDataFile(folder.path("run.txt"), 3, 1, modelGeneratedRun())));
    }
    FitResult fit(const QStringList& arguments,
                  const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
    {
        return runFitProgram(arguments, folder.root(), environment);
    }
    TempFolder folder;
};

// The lines of a file that ends each with CR LF, and an empty one after them.
QStringList linesOf(const QString& path)
{
    return QString::fromLatin1(readAll(path)).split(QStringLiteral("\r\n"));
}

// How many pixels of `area` have the RGB `colour`.
int pixelsIn(const QImage& image, const QRect& area, QRgb colour)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += pixel(image, x, y) == colour;
    return n;
}

}  // namespace

TEST_F(FitCommand, FitsEveryGoodFileAndReportsTheRejectedOnesInOrder)
{
    const RunRecord run = modelGeneratedRun();
    ASSERT_TRUE(fileOk(writeDataFile(folder.path("a.txt"), 4, 7, run)));
    ASSERT_TRUE(fileOk(writeDataFile(folder.path("b.dat"), 2, 9, run)));
    writeAll(folder.path("bad.txt"), "TrackDat\r\n");

    const FitResult r = fit({"a.txt", "bad.txt", "missing.txt", "b.dat"});
    EXPECT_EQ(r.status, 1);
    const QStringList rows = r.out.trimmed().split('\n');
    ASSERT_EQ(rows.size(), 3) << r.out.toStdString();
    EXPECT_EQ(rows[0], "file,difficulty,disturbance,delay,gain,damping,reference,model_rms,tracking_rms,"
                       "late_frames,duration_s");
    EXPECT_TRUE(rows[1].startsWith("a.txt,4,7,"));
    EXPECT_TRUE(rows[2].startsWith("b.dat,2,9,"));
    EXPECT_EQ(r.err, "bad.txt: bad.txt is not a valid data file.\nmissing.txt: cannot read " +
                         folder.path("missing.txt") + ": No such file or directory\n");

    EXPECT_EQ(QDir(folder.root()).entryList({"*.par"}), (QStringList{"a.par", "b.par"}));
}

TEST_F(FitCommand, RecoversTheParametersOfAModelGeneratedRunAndWritesThemAsTheWindowWould)
{
    const FitResult r = fit({folder.path("run.txt")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();

    const QStringList par = linesOf(folder.path("run.par"));
    ASSERT_EQ(par.size(), 6);  // five lines, each ended by CR LF
    EXPECT_EQ(par[0], "TrackParameters");
    EXPECT_EQ(par[1], QFileInfo(folder.path("run.par")).absoluteFilePath());
    EXPECT_EQ(par[2], "       3       1");
    EXPECT_EQ(par[5], "");

    const auto values = parseParameterFile(readAll(folder.path("run.par")).toStdString());
    ASSERT_EQ(values.outcome, ParameterFileReadResult::Loaded);
    // The next frame after "Auto Fit" reloads whole spinner positions, so the
    // saved parameters are whole spinner steps.
    EXPECT_DOUBLE_EQ(values.values.inputDelay, 3.0);
    EXPECT_NEAR(values.values.outputGain, 5.0, 0.3);
    EXPECT_NEAR(values.values.damping, 0.1, 0.05);
    EXPECT_LT(values.values.modelRmsError, 0.2);

    // The CSV row carries the file's numbers, trimmed.
    // No run description beside the file: no timing columns.
    const QStringList row = r.out.trimmed().split('\n').last().split(',');
    EXPECT_EQ(row.mid(3), (par[3].split(' ', Qt::SkipEmptyParts)
                           + par[4].split(' ', Qt::SkipEmptyParts) + QStringList{"", ""}));
}

// The out folder is made, and holds the bare names and the picture of both
// graphs beside the parameter file.
TEST_F(FitCommand, OutFolderIsCreatedAndHoldsTheBareNamesAndThePlot)
{
    ASSERT_TRUE(fileOk(writeDataFile(folder.path("s1.run.txt"), 1, 1, modelGeneratedRun())));
    const QString out = folder.path("results/deeper");

    const FitResult r = fit({"--plot", "--out", out, folder.path("s1.run.txt")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(out + "/s1.run.par"));
    EXPECT_FALSE(QFileInfo::exists(folder.path("s1.run.par")));
    QImage picture(out + "/s1.run.png");
    ASSERT_FALSE(picture.isNull());
    // Two graphs at twice their design width, one above the other.
    EXPECT_GE(picture.width(), 1272);
    EXPECT_GE(picture.height(), 272 + 306);
    // The target's red and the model's blue both appear somewhere.
    EXPECT_TRUE(contains(picture, 0xFF0000));
    EXPECT_TRUE(contains(picture, 0x0000FF));
}

TEST_F(FitCommand, StartFileIsRetrievedAndARejectedOneStopsEverything)
{
    writeAll(folder.path("start.par"), "TrackParameters\r\nx\r\n 1 1\r\n 3 6 0.1 0\r\n 0 0\r\n");
    writeAll(folder.path("wrong.par"), "trackparameters\r\n");

    FitResult r = fit({"--start", folder.path("start.par"), folder.path("run.txt")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    ASSERT_TRUE(QFile::remove(folder.path("run.par")));

    r = fit({"--start", folder.path("wrong.par"), folder.path("run.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("wrong.par is not a valid parameter file.")) << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(folder.path("run.par")));
}

TEST_F(FitCommand, UsageErrorsAndHelp)
{
    FitResult r = fit({});
    EXPECT_EQ(std::pair(r.status, r.err.contains("Usage: quelvar-fit")), std::pair(2, true));

    r = fit({"--frobnicate", "x.txt"});
    EXPECT_EQ(std::pair(r.status, r.err.contains("unknown option --frobnicate")),
              std::pair(2, true));

    EXPECT_EQ(fit({"x.txt", "--out"}).status, 2);

    r = fit({"--help"});
    EXPECT_EQ(std::pair(r.status, r.out.contains("Usage: quelvar-fit")), std::pair(0, true));

    r = fit({"x.txt", "--version"});
    EXPECT_EQ(std::pair(r.status, r.out),
              std::pair(0, QStringLiteral("quelvar-fit %1\n").arg(kProgramVersion)));
}

// A folder where a parameter file should go fails the command; the file's
// row is lost only with Auto Fit's own file.
TEST_F(FitCommand, AParameterFileThatCannotBeWrittenFailsTheCommand)
{
    ASSERT_TRUE(QDir().mkpath(folder.path("run.thorough.par")));
    FitResult r = fit({"--thorough", folder.path("run.txt")});
    EXPECT_EQ(std::pair(r.status, int(r.out.count('\n'))), std::pair(1, 2));
    EXPECT_TRUE(r.err.contains("cannot create " + folder.path("run.thorough.par") + ": "))
        << r.err.toStdString();
    EXPECT_EQ(QDir(folder.root()).entryList({"run.p*"}),
              (QStringList{"run.par", "run.profile.csv"}));

    ASSERT_TRUE(QFile::remove(folder.path("run.par")) && QDir().mkpath(folder.path("run.par")));
    r = fit({folder.path("run.txt")});
    EXPECT_EQ(std::pair(r.status, int(r.out.count('\n'))), std::pair(1, 1));
    EXPECT_TRUE(r.err.endsWith("run.txt: cannot create " + folder.path("run.par")
                               + ": Filename refers to a directory\n"))
        << r.err.toStdString();
}

TEST_F(FitCommand, PlotsOutsideALoginSessionLeaveStandardErrorToTheFilesThatFailed)
{
    // As cron or sudo start it: no runtime folder, no platform chosen.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));

    const FitResult r = fit({"--plot", "run.txt", "missing.txt"}, environment);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "missing.txt: cannot read " + folder.path("missing.txt") + ": No such file or directory\n");
    EXPECT_FALSE(QImage(folder.path("run.png")).isNull());
}

TEST_F(FitCommand, OutputsThatWouldReplaceAnInputOrEachOtherAreRefusedBeforeAnythingIsWritten)
{
    const RunRecord run = modelGeneratedRun();
    for (const char* name : {"run7.par", "a/x.txt", "b/x.txt", "c.txt", "c.png", "d.txt", "e.txt", "e.thorough.txt",
                             "f.txt", "f.profile.csv"}) {
        QDir().mkpath(QFileInfo(folder.path(name)).path());
        ASSERT_TRUE(fileOk(writeDataFile(folder.path(name), 1, 1, run)));
    }
    writeAll(folder.path("d.par"), "TrackParameters\r\nx\r\n 1 1\r\n 3 6 0.1 0\r\n 0 0\r\n");
    ASSERT_TRUE(QFile::link(folder.path("a"), folder.path("link")));

    const struct {
        QStringList arguments;
        QString named;  // a file the message must name
    } cases[] = {
        {{"run7.par"}, "run7.par"},
        {{"--out", "out", "a/x.txt", "b/x.txt"}, "b/x.txt"},
        {{"--plot", "c.txt", "c.png"}, "c.png (from c.txt) would replace"},
        {{"--start", "d.par", "d.txt"}, "d.par"},
        {{"a/x.txt", "link/x.txt"}, "link/x.txt"},
        {{"--out", "a", "./a/x.par", "link/../a/x.txt"}, "x.par"},
        {{"--thorough", "e.txt", "e.thorough.txt"}, "e.thorough.par"},
        {{"--exhaustive", "f.txt", "f.profile.csv"}, "f.profile.csv"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const QByteArray before = readAll(folder.path("run7.par"));
        const QStringList filesBefore = QDir(folder.root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        const FitResult r = fit(c.arguments);
        EXPECT_EQ(std::pair(r.status, r.out), std::pair(2, QString()));
        EXPECT_TRUE(r.err.contains(c.named)) << r.err.toStdString();
        EXPECT_EQ(readAll(folder.path("run7.par")), before);
        EXPECT_EQ(QDir(folder.root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), filesBefore);
        EXPECT_FALSE(QFileInfo::exists(folder.path("a/x.par")));
    }
}

// Its rows are the same whatever the threads, shards of a batch join into it
// without their headers, and its plot shows both models and the delay profile.
TEST_F(FitCommand, ThoroughAddsItsColumnsFilesAndPlotBesideAutoFitsUnchangedAndShardsJoin)
{
    // A run the model itself made with a delay of 24 frames, past the delay
    // spinner's 16, and reference 2: Auto Fit's delay walks past the bound.
    ASSERT_TRUE(fileOk(writeDataFile(folder.path("long.txt"), 2, 5, *modelRun({24, 25, 50, 2}))));
    const FitResult plain = fit({"--plot", "run.txt", "long.txt"});
    ASSERT_EQ(plain.status, 0) << plain.err.toStdString();
    const QByteArray autoFitPar = readAll(folder.path("run.par"));
    const QImage plainPicture(folder.path("long.png"));

    const FitResult r = fit({"--plot", "--thorough", "--jobs", "2", "run.txt", "long.txt"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList rows = r.out.trimmed().split('\n');
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0], "file,difficulty,disturbance,delay,gain,damping,reference,model_rms,tracking_rms,"
                       "late_frames,duration_s,thorough_delay,thorough_gain,thorough_damping,thorough_reference,thorough_model_rms,"
                       "gap_pp,delay_at_bound,autofit_clipped,beyond_delay,beyond_model_rms");
    // Auto Fit's columns and parameter file are as without --thorough.
    const QStringList plainRows = plain.out.trimmed().split('\n');
    EXPECT_EQ(rows[1].split(',').mid(0, 11), plainRows[1].split(','));
    EXPECT_EQ(rows[2].split(',').mid(0, 11), plainRows[2].split(','));
    EXPECT_EQ(readAll(folder.path("run.par")), autoFitPar);

    // The generating delay 3 and reference 0 are found, within the range.
    // (The indices below leave out the two timing columns, empty here.)
    const auto withoutTiming = [](QStringList row) {
        EXPECT_EQ(row.mid(9, 2), (QStringList{"", ""}));
        row.remove(9, 2);
        return row;
    };
    const QStringList run = withoutTiming(rows[1].split(','));
    ASSERT_EQ(run.size(), 19);
    EXPECT_EQ(run.mid(9, 2), (QStringList{"3.0000", "5.0000"}));
    EXPECT_EQ(run[12], "0.0000");
    EXPECT_NEAR(run[14].toDouble(), run[7].toDouble() - run[13].toDouble(), 0.0011);
    EXPECT_EQ(run.mid(15), (QStringList{"0", "0", "", ""}));
    // The long delay: the best within the range is at its bound, Auto Fit
    // used a delay the window cannot show, and 24 frames fit better.
    const QStringList longRun = withoutTiming(rows[2].split(','));
    EXPECT_EQ(longRun.mid(15, 3), (QStringList{"1", "1", "24.0000"}));
    EXPECT_LT(longRun[18].toDouble(), longRun[13].toDouble());

    // The thorough parameter file: the same format, line 5 the errors of
    // exactly line 4's parameters, and "Retrieve Parameters" shows them.
    const QStringList par = linesOf(folder.path("run.thorough.par"));
    ASSERT_EQ(par.size(), 6);
    EXPECT_EQ(par[0], "TrackParameters");
    EXPECT_EQ(par[1], QFileInfo(folder.path("run.thorough.par")).absoluteFilePath());
    EXPECT_EQ(par[2], "       3       1");
    EXPECT_EQ(par[3].split(' ', Qt::SkipEmptyParts), run.mid(9, 4));
    EXPECT_EQ(par[4].split(' ', Qt::SkipEmptyParts), (QStringList{run[13], run[8]}));
    AnalysisHarness h;
    ASSERT_TRUE(h.session.RetrieveParametersFrom(folder.path("run.thorough.par")));
    EXPECT_EQ(h.state->analysis.Spinners.InDelayUpDown.Position, 3);
    EXPECT_EQ(h.state->analysis.Spinners.OutGainUpDown.Position, 50);
    ASSERT_TRUE(h.session.LoadDataFile(folder.path("run.txt")));
    h.session.AnalysisFrame();
    EXPECT_EQ(QString::number(h.state->analysis.Results.ModelRmsError, 'f', 3), run[13]);

    // The delay profile: a header and one row for each delay 0 ... 16, the
    // thorough fit's setting on the row of its delay.
    const QStringList profile = linesOf(folder.path("run.profile.csv"));
    ASSERT_EQ(profile.size(), 19);
    EXPECT_EQ(profile[0], "delay,gain,damping,reference,model_rms");
    for (int d = 0; d <= 16; ++d)
        EXPECT_TRUE(profile[d + 1].startsWith(QStringLiteral("%1.0000,").arg(d))) << profile[d + 1].toStdString();
    EXPECT_EQ(profile[4].split(','), run.mid(9, 5));
    EXPECT_EQ(profile[18], "");

    // The thorough model's fuchsia trace in the model graph, the profile's
    // points below the graphs, the best delay in red.
    const QImage picture(folder.path("long.png"));
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.width(), plainPicture.width());
    EXPECT_GT(picture.height(), plainPicture.height() + 200);
    const QRect graphs(0, 0, picture.width() - 420, plainPicture.height());
    const QRect below(0, plainPicture.height(), graphs.width(),
                      picture.height() - plainPicture.height());
    EXPECT_GT(pixelsIn(picture, graphs, 0xFF00FF), 1000);
    EXPECT_GT(pixelsIn(picture, below, 0xFF00FF), 100);
    EXPECT_GT(pixelsIn(picture, below, 0xFF0000), 20);

    const FitResult first = fit({"--thorough", "--jobs", "1", "run.txt"});
    const FitResult second = fit({"--thorough", "--no-header", "long.txt"});
    EXPECT_EQ(first.out + second.out, r.out);
    for (const char* jobs : {"0", "-3", "two", ""})
        EXPECT_EQ(fit({"--jobs", jobs, "run.txt"}).status, 2) << jobs;
}

// The exhaustive fit finds the thorough fit's setting, also when the system
// refuses every thread (a thread's stack larger than all the address space
// allowed), to the files' workers and the exhaustive fit's: no row is lost.
TEST_F(FitCommand, ExhaustiveFindsTheThoroughFitsSettingEvenWithoutThreads)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "every spinner position of a run takes minutes under the sanitizers, which "
                    "cannot run under an address-space limit; the fit's own tests run there";
#endif
    const FitResult thorough = fit({"--thorough", "run.txt"});
    const QByteArray thoroughPar = readAll(folder.path("run.thorough.par"));
    const FitResult exhaustive = fit({"--exhaustive", "run.txt"});
    ASSERT_EQ(exhaustive.status, 0) << exhaustive.err.toStdString();
    EXPECT_EQ(exhaustive.out, thorough.out);
    EXPECT_EQ(readAll(folder.path("run.thorough.par")), thoroughPar);

    const FitResult limited = runFitProgram({"--as=629145600", "--stack=1073741824",
                                             QUELVAR_FIT_BINARY, "--exhaustive", "--jobs", "64",
                                             "run.txt"},
                                            folder.root(), QProcessEnvironment::systemEnvironment(),
                                            QStringLiteral("prlimit"));
    EXPECT_EQ(limited.status, 0) << limited.err.toStdString();
    EXPECT_EQ(limited.out, thorough.out);
    EXPECT_EQ(limited.out.count('\n'), 2);
}

TEST_F(FitCommand, UncertaintyAddsItsColumnsWhateverTheJobsAndItsPlotShowsTheIntervals)
{
    ASSERT_TRUE(fileOk(writeDataFile(folder.path("clean.txt"), 2, 3, *modelRun({4, 60, 80, 0}))));
    ASSERT_TRUE(fileOk(writeDataFile(folder.path("noisy.txt"), 2, 4, *test::modelRun({6, 45, 120, 2}, {15.0, 0.9, 4}))));
    const FitResult one = fit({"--uncertainty", "--jobs", "1", "clean.txt", "noisy.txt"});
    const FitResult two =
        fit({"--uncertainty", "--jobs", "2", "--plot", "--out", "plots", "clean.txt", "noisy.txt"});
    const FitResult thorough = fit({"--thorough", "clean.txt", "noisy.txt"});
    ASSERT_EQ(one.status, 0) << one.err.toStdString();
    ASSERT_EQ(two.status, 0) << two.err.toStdString();
    EXPECT_EQ(one.out, two.out);
    const QStringList rows = one.out.trimmed().split('\n');
    const QStringList thoroughRows = thorough.out.trimmed().split('\n');
    ASSERT_EQ(rows.size(), 3);
    ASSERT_EQ(thoroughRows.size(), 3);
    EXPECT_EQ(rows[0], thoroughRows[0] + ",delay_lo,delay_hi,gain_lo,gain_hi,damping_lo,damping_hi,"
                                         "reference_lo,reference_hi,holdout_rms,replicates");
    // The thorough columns as without --uncertainty. A noise-free run pins
    // every parameter to one position, its own, and fits unseen frames as well.
    for (int row : {1, 2})
        EXPECT_EQ(rows[row].split(',').mid(0, 21), thoroughRows[row].split(',')) << row;
    const QStringList clean = rows[1].split(',');
    EXPECT_EQ(clean.mid(11, 4), (QStringList{"4.0000", "6.0000", "0.080000", "0.0000"}));
    EXPECT_EQ(clean.mid(21), (QStringList{"4.0000", "4.0000", "6.0000", "6.0000", "0.080000", "0.080000", "0.0000",
                                          "0.0000", "0.000", "200"}));
    // A noisy run's intervals hold its thorough fit and generating setting.
    const QStringList noisy = rows[2].split(',');
    ASSERT_EQ(noisy.size(), 31);
    const double truth[] = {6, 4.5, 0.12, 2};
    for (int k = 0; k < 4; ++k)
        for (double inside : {truth[k], noisy[11 + k].toDouble()}) {
            EXPECT_LE(noisy[21 + 2 * k].toDouble(), inside + 1e-9) << k;
            EXPECT_GE(noisy[22 + 2 * k].toDouble(), inside - 1e-9) << k;
        }
    // Noise is out of sample what it is in sample.
    EXPECT_GT(noisy[29].toDouble(), 0.5 * noisy[15].toDouble());
    // The picture: the delay's interval shaded in the profile, and beside it
    // the refitted values' bars over their intervals' shades.
    const QImage picture(folder.path("plots/noisy.png"));
    const AnalysisPlotLayout layout = analysisPlotLayout(true, true);
    ASSERT_EQ(picture.size(), layout.image);
    EXPECT_GT(pixelsIn(picture, layout.delayProfile, 0xDDDDDD), 2000);
    EXPECT_GT(pixelsIn(picture, layout.intervals, 0xDDDDDD), 5000);
    EXPECT_GT(pixelsIn(picture, layout.intervals, 0xFF00FF), 3000);
}
