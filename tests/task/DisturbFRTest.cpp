#include "support/AllocationCounter.h"
#include "support/TestFiles.h"
#include "task/DisturbFR.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

namespace quelvar {
namespace {

using test::fileOk;
using test::TempFolder;

std::size_t slotOf(int level, int number, int position)
{
    return static_cast<std::size_t>((level - 1) * 36000 + (number - 1) * 3600 + (position - 1));
}

QByteArray littleEndianBytes(double value)
{
    return QByteArray(reinterpret_cast<const char*>(&value), 8);  // on little-endian machines
}

std::unique_ptr<TDisturb> filledTable(std::uint32_t seed)
{
    auto disturb = std::make_unique<TDisturb>();
    disturb->Random.SeedGenerator(seed);
    disturb->FillTable(1000.0);
    return disturb;
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
                double lo = 1e9, hi = -1e9, largestStep = 0.0;
                for (int p = 1; p <= kTablePositions; ++p) {
                    lo = std::min(lo, d->at(level, number, p));
                    hi = std::max(hi, d->at(level, number, p));
                    const double step =
                        p > 1 ? std::fabs(d->at(level, number, p) - d->at(level, number, p - 1))
                              : 0.0;
                    largestStep = std::max(largestStep, step);
                    levelSum += step;
                }
                EXPECT_NEAR(hi, 500.0, 1e-9);
                EXPECT_NEAR(lo, -500.0, 1e-9);
                EXPECT_LE(d->at(level, number, 1) * d->at(level, number, 2), 0.0);
                // The wrap is either an ordinary step or the window's seam, which
                // is bounded by two ordinary steps.
                EXPECT_LE(std::fabs(d->at(level, number, 3600) - d->at(level, number, 1)),
                          2.0 * largestStep);
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
        auto d = std::make_unique<TDisturb>();
        d->Random.SeedGenerator(seed);
        d->SetParameters(0.0625, 1000.0);
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
        auto d = std::make_unique<TDisturb>();
        d->Random.SeedGenerator(seed);
        d->SetParameters(k, 1000.0);
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
    auto d = std::make_unique<TDisturb>();
    d->Random.SeedGenerator(42u);
    d->SetParameters(0.125, 1000.0);
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
    auto d = std::make_unique<TDisturb>();
    d->SetParameters(0.0625, 1000.0);
    double sink = 0.0;
    test::AllocationCounter counter;
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
    test::writeAll(path, QByteArray(2000000, 'x'));
    for (const bool longer : {false, true}) {
        SCOPED_TRACE(longer ? "more bytes after the table" : "as saved");
        ASSERT_TRUE(fileOk(saved->SaveToFile(path)));
        EXPECT_EQ(QFileInfo(path).size(), 1440000);
        if (longer)
            test::writeAll(path, test::readAll(path) + littleEndianBytes(std::nan(""))
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
    const QByteArray bytes = test::readAll(path);
    ASSERT_EQ(bytes.size(), 1440000);
    const qsizetype offset = ((2 - 1) * 36000 + (3 - 1) * 3600 + (17 - 1)) * 8;
    EXPECT_EQ(bytes.mid(offset, 8), QByteArray::fromHex("000000000000f83f"));
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
        QByteArray bytes;
        for (int i = 0; bytes.size() < size; ++i)
            bytes += littleEndianBytes(i + 1.25);
        bytes.truncate(size);
        test::writeAll(path, bytes);

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

}  // namespace
}  // namespace quelvar
