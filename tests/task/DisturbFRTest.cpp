// The disturbance generator, and its table in the "Distable" file: saved and
// loaded on its own, a save that fails at any step, and start-up with table
// files it cannot use or of every awkward size.
#include "task/ControllerHarness.h"

#include "datafiles/FileSink.h"
#include "support/AllocationCounter.h"
#include "support/FaultLoop.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <sys/stat.h>
#include <tuple>

namespace quelvar::test {
namespace {

std::size_t slotOf(int level, int number, int position)
{
    return static_cast<std::size_t>((level - 1) * 36000 + (number - 1) * 3600 + (position - 1));
}

// The first `count` values of a table file whose value i is `value(i)`, as
// the test machines, which are little-endian, lay them out.
QByteArray valueBytes(qsizetype count, const std::function<double(qsizetype)>& value)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < count; ++i) {
        const double v = value(i);
        bytes.append(reinterpret_cast<const char*>(&v), 8);
    }
    return bytes;
}

std::unique_ptr<TDisturb> filledTable(std::uint32_t seed)
{
    auto disturb = std::make_unique<TDisturb>();
    disturb->Random.SeedGenerator(seed);
    disturb->FillTable(1000.0);
    return disturb;
}

std::unique_ptr<TDisturb> generated(std::uint32_t seed, double smoothing)
{
    auto d = std::make_unique<TDisturb>();
    d->Random.SeedGenerator(seed);
    d->SetParameters(smoothing, 1000.0);
    return d;
}

bool allZero(const TDisturb& d)
{
    return std::all_of(d.Table.begin(), d.Table.end(), [](double v) { return v == 0.0; });
}

// ---------------------------------------------------------------- generator

TEST(UniformRandom, FollowsTheLinearCongruentialSequenceFromStateZero)
{
    UniformRandom random;
    EXPECT_EQ(random.next(), 1.0 * std::ldexp(1.0, -32));
    EXPECT_EQ(random.next(), 134775814.0 * std::ldexp(1.0, -32));
    const double third = random.next();
    EXPECT_EQ(third, 3698175007.0 * std::ldexp(1.0, -32));
    EXPECT_NEAR(third, 0.8610485, 1e-7);
    EXPECT_EQ(random.GeneratorState, 3698175007u);
}

TEST(UniformRandom, ClockSeedChangesBetweenReadings)
{
    const std::uint32_t first = clockSeed();
    std::uint32_t later = first;
    for (int i = 0; i < 1000 && later == first; ++i)
        later = clockSeed();
    EXPECT_NE(first, later);
}

// ---------------------------------------------------------------- waveforms

TEST(DisturbFR, SmoothingFactorHalvesTheDivisorPerLevel)
{
    const double factors[] = {0.015625, 0.03125, 0.0625, 0.125, 0.25};
    for (int level = 1; level <= 5; ++level)
        EXPECT_EQ(TDisturb::SmoothingFactorFor(level), factors[level - 1]) << level;
}

TEST(DisturbFR, EveryWaveformSpansTheAmplitudeStartsAtZeroWrapsSmoothlyAndHarderLevelsMoveFaster)
{
    for (const std::uint32_t seed : {12345u, 777u}) {
        const auto d = filledTable(seed);
        double previousLevelSum = 0.0;  // harder levels move faster
        for (int level = 1; level <= kDifficultyLevels; ++level) {
            double levelSum = 0.0;
            for (int number = 1; number <= kDisturbanceNumbers; ++number) {
                SCOPED_TRACE(testing::Message()
                             << "seed " << seed << ", level " << level << ", number " << number);
                const auto v = [&](int p) { return d->at(level, number, p); };
                double lo = v(1), hi = v(1), largestStep = 0.0;
                for (int p = 2; p <= kTablePositions; ++p) {
                    lo = std::min(lo, v(p));
                    hi = std::max(hi, v(p));
                    largestStep = std::max(largestStep, std::fabs(v(p) - v(p - 1)));
                    levelSum += std::fabs(v(p) - v(p - 1));
                }
                EXPECT_NEAR(hi, 500.0, 1e-9);
                EXPECT_NEAR(lo, -500.0, 1e-9);
                EXPECT_LE(v(1) * v(2), 0.0);
                // The wrap is either an ordinary step or the window's seam, which
                // is bounded by two ordinary steps.
                EXPECT_LE(std::fabs(v(3600) - v(1)), 2.0 * largestStep);
                EXPECT_GT(largestStep, 0.0);
            }
            EXPECT_GT(levelSum, previousLevelSum) << "seed " << seed << ", level " << level;
            previousLevelSum = levelSum;
        }
    }
}

// Rebuilds the finished waveform from the raw samples left behind by the
// accepted attempt, following the window, centring, scaling and rotation
// rules one at a time.
TEST(DisturbFR, WaveformIsTheCentredScaledAndRotatedRawWindow)
{
    for (std::uint32_t seed : {0u, 1u, 99u, 4000000000u}) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        const auto d = generated(seed, 0.0625);
        const auto& R = d->RawSequence;

        int s = -1;
        for (int i = R[0] < R[3599] ? 1 : 0; i <= 3599 && s < 0; ++i)
            if (R[0] < R[3599] ? R[i] >= R[i + 3599] : R[i] <= R[i + 3599])
                s = i;
        ASSERT_GE(s, 0);
        const auto window = R.begin() + s;
        const double hi = *std::max_element(window, window + 3600);
        const double lo = *std::min_element(window, window + 3600);
        std::array<double, 3600> w;
        for (int j = 0; j < 3600; ++j)
            w[j] = (R[s + j] - (hi + lo) / 2.0) / (hi - lo) * 1000.0;
        int m = 0;
        while (!(w[m] * w[m + 1] <= 0.0))
            ++m;
        for (int j = 0; j < 3600; ++j)
            ASSERT_EQ(d->Waveform[j], w[(m + j) % 3600]) << "j " << j;
        EXPECT_EQ(d->ReadIndex, 0);
    }
}

TEST(DisturbFR, ADiscardedAttemptRestartsTheStagesButNotTheGenerator)
{
    // Find a seed whose first attempt has no usable window: its generator
    // then moves on by more than the 7200 draws of one attempt.
    const double k = 0.015625;
    for (std::uint32_t seed = 1; seed < 2000; ++seed) {
        const auto d = generated(seed, k);
        UniformRandom replay;
        replay.SeedGenerator(seed);
        for (int n = 0; n < 7200; ++n)
            replay.next();
        if (replay.GeneratorState == d->Random.GeneratorState)
            continue;
        // The accepted attempt began with the 7201st draw and fresh stages.
        const double first = replay.next();
        EXPECT_EQ(d->RawSequence[0], (first - 0.5) * 20000.0 * k * k * k);
        return;
    }
    GTEST_SKIP() << "no seed below 2000 discards its first attempt";
}

TEST(DisturbFR, NextSampleReadsTheWaveformInOrderThenGeneratesAnother)
{
    const auto d = generated(42u, 0.125);
    const auto first = d->Waveform;
    for (int j = 0; j < 3600; ++j)
        ASSERT_EQ(d->NextSample(), first[static_cast<std::size_t>(j)]) << "sample " << j;
    EXPECT_EQ(d->ReadIndex, 0);
    EXPECT_NE(d->Waveform, first);
    const double next = d->Waveform[0];
    EXPECT_EQ(d->NextSample(), next);
    EXPECT_EQ(d->ReadIndex, 1);
}

TEST(DisturbFR, NextSampleAllocatesNothingEvenWhenItGenerates)
{
    const auto d = generated(0u, 0.0625);  // the generator's state from construction
    double sink = 0.0;
    AllocationCounter counter;
    for (int j = 0; j < 3601; ++j)
        sink += d->NextSample();
    EXPECT_EQ(counter.count(), 0u);
    EXPECT_TRUE(std::isfinite(sink));
}

TEST(DisturbFR, NonFiniteParametersStillEndGeneration)
{
    auto d = std::make_unique<TDisturb>();
    d->SetParameters(std::numeric_limits<double>::quiet_NaN(), 1000.0);
    d->SetParameters(0.0625, std::numeric_limits<double>::infinity());
    d->SetParameters(0.0, 1000.0);
    EXPECT_EQ(d->ReadIndex, 0);
}

TEST(DisturbFR, DifferentSeedsGiveDifferentTables)
{
    const auto a = filledTable(1u);
    const auto b = filledTable(2u);
    EXPECT_NE(a->Table, b->Table);
    const auto again = filledTable(1u);
    EXPECT_EQ(a->Table, again->Table);
}

// ---------------------------------------------------------------- Distable

class DistableFile : public testing::Test {
protected:
    void TearDown() override { FileSink::clearFaults(); }
    TempFolder folder;
    QString path = folder.path("Distable");
    // The error box for a failed save or load; "" when it worked.
    static QString boxOf(const FileResult& result) { return result.ok() ? QString() : distableMessage(*result); }
};

// A save replaces a longer earlier file; a load reproduces the table bit for
// bit, and from a longer file reads only the first full table.
TEST_F(DistableFile, SaveThenLoadReproducesTheTableBitForBit)
{
    auto saved = filledTable(2024u);
    saved->Table[slotOf(5, 10, 3600)] = -0.0;
    saved->Table[slotOf(5, 10, 3599)] = std::numeric_limits<double>::denorm_min();
    writeAll(path, QByteArray(2000000, 'x'));
    for (const bool longer : {false, true}) {
        SCOPED_TRACE(longer ? "more bytes after the table" : "as saved");
        ASSERT_TRUE(fileOk(saved->SaveToFile(path)));
        EXPECT_EQ(QFileInfo(path).size(), 1440000);
        if (longer)
            writeAll(path, readAll(path) + valueBytes(1, [](qsizetype) { return std::nan(""); })
                               + QByteArray(5000, '\x7f'));
        auto loaded = std::make_unique<TDisturb>();
        ASSERT_TRUE(fileOk(loaded->LoadFromFile(path)));
        EXPECT_EQ(std::memcmp(saved->Table.data(), loaded->Table.data(), sizeof saved->Table), 0);
    }
}

TEST_F(DistableFile, ValuesLieLittleEndianInLevelNumberPositionOrder)
{
    auto d = std::make_unique<TDisturb>();
    d->Table[slotOf(2, 3, 17)] = 1.5;  // 0x3FF8000000000000
    d->Table[slotOf(1, 1, 1)] = -2.0;  // 0xC000000000000000
    ASSERT_TRUE(fileOk(d->SaveToFile(path)));
    const QByteArray bytes = readAll(path);
    ASSERT_EQ(bytes.size(), 1440000);
    EXPECT_EQ(bytes.mid(qsizetype(slotOf(2, 3, 17) * 8), 8), QByteArray::fromHex("000000000000f83f"));
    EXPECT_EQ(bytes.mid(0, 8), QByteArray::fromHex("00000000000000c0"));
    EXPECT_EQ(bytes.count('\0'), 1440000 - 2 - 1);  // only the two sign/exponent pairs differ
}

// A save into a missing folder, or a load of a missing file given by a
// relative path, names the full path and the system's reason.
TEST_F(DistableFile, SaveOrLoadNamesTheFullPathWhenTheFileCannotBeCreatedOrOpened)
{
    for (const bool save : {true, false}) {
        const QString target = save ? folder.path("no such folder/Distable") : path;
        auto d = filledTable(7u);
        const QString message = boxOf(
            save ? d->SaveToFile(target) : d->LoadFromFile(QDir::current().relativeFilePath(path)));
        const QString prefix = QString(save ? "Cannot create file \"" : "Cannot open file \"")
                               + QFileInfo(target).absoluteFilePath() + "\". ";
        EXPECT_TRUE(message.startsWith(prefix)) << message.toStdString();
        EXPECT_GT(message.size(), prefix.size()) << "the system's reason is missing";
        EXPECT_EQ(allZero(*d), !save) << "a failed load leaves the table empty";
    }
}

TEST_F(DistableFile, AShortFileKeepsTheValuesReadInFullAndZeroesTheRest)
{
    for (int size : {1000, 1003, 0}) {
        SCOPED_TRACE(testing::Message() << size << " bytes");
        writeAll(path, valueBytes((size + 7) / 8, [](qsizetype i) { return i + 1.25; }).left(size));

        auto d = filledTable(8u);
        const QString message = boxOf(d->LoadFromFile(path));
        EXPECT_EQ(message, "Stream read error");
        const int whole = size / 8;
        for (int i = 0; i < whole; ++i)
            ASSERT_EQ(d->Table[static_cast<std::size_t>(i)], i + 1.25) << "value " << i;
        EXPECT_TRUE(std::all_of(d->Table.begin() + whole, d->Table.end(), [](double v) { return v == 0.0; }));
    }
}

TEST_F(DistableFile, AValueThatIsNotFiniteIsRefusedAndLeavesTheTableEmpty)
{
    const struct {
        double value;
        const char* text;
    } cases[] = {{std::numeric_limits<double>::quiet_NaN(), "nan"},
                 {std::numeric_limits<double>::infinity(), "inf"},
                 {-std::numeric_limits<double>::infinity(), "-inf"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        auto saved = filledTable(10u);
        saved->Table[slotOf(2, 3, 17)] = c.value;
        ASSERT_TRUE(fileOk(saved->SaveToFile(path)));

        auto loaded = filledTable(11u);
        const QString message = boxOf(loaded->LoadFromFile(path));
        EXPECT_EQ(message, QString("Invalid value %1 at difficulty 2, disturbance 3, position 17 in \"%2\"")
                               .arg(c.text, QFileInfo(path).absoluteFilePath()));
        EXPECT_TRUE(allZero(*loaded));
    }
}

// A table file that cannot be used is reported with the reader's own text, a
// table that cannot be saved with the writer's; the session then runs on a
// fresh table and the folder is left as it was. A named pipe in the file's
// place would block start-up (opening a pipe waits for a writer) or a device
// feed it endless bytes: it is refused like a file that cannot be opened.
TEST_F(DistableFile, StartUpReportsATableItCannotUseOrSaveOnceAndRunsOnAFreshOne)
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
        {"short file", [](ControllerHarness& h) { writeAll(h.tableFile, QByteArray(1000, '\0')); },
         "Stream read error"},
        {"folder in its place", [](ControllerHarness& h) { QDir().mkdir(h.tableFile); },
         "Cannot open file"},
        {"not a number",
         [](ControllerHarness& h) {
             writeAll(h.tableFile, valueBytes(kTableValues, [](qsizetype i) {
                          return i == 4000 ? std::nan("") : 1.0;
                      }));
         },
         "Invalid value"},
        {"named pipe",
         [](ControllerHarness& h) {
             ASSERT_EQ(::mkfifo(QFile::encodeName(h.tableFile).constData(), 0600), 0);
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
        const bool isFile = QFileInfo(h.tableFile).isFile();
        const QByteArray bytes = isFile ? readAll(h.tableFile) : QByteArray();
        h.start();
        FileSink::clearFaults();
        ASSERT_EQ(h.dialogs.boxes.size(), 1u);
        EXPECT_EQ(h.dialogs.boxes[0].kind, "Error");
        EXPECT_TRUE(h.dialogs.boxes[0].text.startsWith(QString(c.box).replace("%1", h.tableFile)))
            << h.dialogs.boxes[0].text.toStdString();
        EXPECT_TRUE(spansTheAmplitude(h.controller.disturb())) << "a generated table";
        EXPECT_EQ(h.folder.files(), files) << "no partial table file";
        if (isFile)
            EXPECT_EQ(readAll(h.tableFile), bytes) << "the file is untouched";
        // Start-up completed: the idle handler ran and the task can start.
        EXPECT_EQ(std::tuple(h.e().State, h.e().DisplayScale), std::tuple(Blank, 1200));
        h.startRun();
        EXPECT_TRUE(h.shows(Tracking, true, "Start Tracking", clYellow));
        EXPECT_EQ(h.dialogs.boxes.size(), 1u);
    }
}

// The earlier file, a whole table or a short one, stays as it was; where
// there was none, none is left behind.
TEST_F(DistableFile, ASaveFailingAtAnyStepLeavesTheEarlierFileAndTheTable)
{
    for (const QByteArray& earlier :
         {QByteArray(1440000, '\x11'), QByteArray("earlier"), QByteArray()}) {
        SCOPED_TRACE(testing::Message() << earlier.size() << " bytes before");
        const QStringList files = earlier.isEmpty() ? QStringList() : QStringList{"Distable"};
        auto d = filledTable(77u);
        const auto table = std::make_unique<decltype(d->Table)>(d->Table);

        QString message;
        bool saved = false;
        const auto result = failEverySinkStep(
            [&] {
                message = boxOf(d->SaveToFile(path));
                saved = message.isEmpty();
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
        ASSERT_TRUE(fileOk(d->SaveToFile(path)));
        EXPECT_EQ(readAll(path).size(), kDistableBytes);
    }
}

// Sizes around the table's 1,440,000 bytes. A short file is refused with the
// reader's message and replaced in memory by a fresh table; a whole one is
// loaded as it is, and a longer one loads its first 1,440,000 bytes. The file
// itself is never touched.
TEST_F(DistableFile, StartUpWithTableFilesOfEveryAwkwardSize)
{
    // Past the table, a value that is not a number: never read.
    const auto pattern = [](qsizetype i) {
        return i == kTableValues ? std::nan("") : double(i % 1001) - 500.0;
    };
    const struct {
        qsizetype bytes;
        bool loads;
        std::function<double(qsizetype)> value;  // of the file's value i
    } cases[] = {{0, false, pattern},       {8, false, pattern},
                 {1439999, false, pattern}, {1440000, true, pattern},
                 {1440008, true, pattern},  {1440000, true, [](qsizetype) { return 123.25; }}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bytes << " bytes, value 1 " << c.value(1));
        ControllerHarness h(false);
        const QByteArray bytes = valueBytes(c.bytes / 8, c.value) + QByteArray(c.bytes % 8, '\0');
        writeAll(h.tableFile, bytes);
        h.start();
        if (c.loads) {
            EXPECT_TRUE(h.dialogs.boxes.empty());
            EXPECT_EQ(h.controller.disturb().at(1, 1, 2), c.value(1));
            EXPECT_EQ(h.controller.disturb().at(5, 10, 3600), c.value(kTableValues - 1));
        } else {
            EXPECT_EQ(h.dialogs.texts(), QStringList{"Error: Stream read error"});
            EXPECT_TRUE(spansTheAmplitude(h.controller.disturb()));
            EXPECT_NE(h.controller.disturb().at(1, 1, 2), c.value(1))
                << "a generated table, not the file's";
        }
        EXPECT_EQ(readAll(h.tableFile), bytes);
        EXPECT_EQ(h.e().State, Blank);
    }
}

}  // namespace
}  // namespace quelvar::test
