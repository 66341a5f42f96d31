#pragma once
// TDisturb generates the 50 smooth pseudo-random disturbance waveforms (10 per
// difficulty level, 3600 samples each) and keeps them in "Distable" so that
// the same waveforms serve from one start to the next.
#include "common/FileError.h"
#include "task/UniformRandom.h"

#include <QString>
#include <array>
#include <cstdint>

namespace quelvar {

inline constexpr int kDifficultyLevels = 5;
inline constexpr int kDisturbanceNumbers = 10;
inline constexpr int kTablePositions = 3600;
inline constexpr int kTableValues = kDifficultyLevels * kDisturbanceNumbers * kTablePositions;
inline constexpr qint64 kDistableBytes = qint64(kTableValues) * 8;  // 1,440,000
inline constexpr char kDistableFileName[] = "Distable";

class TDisturb {
public:
    std::int32_t ReadIndex = 0;
    double Stage1 = 0.0;
    double Stage2 = 0.0;
    double Stage3 = 0.0;
    double SmoothingFactor = 0.0;
    double Amplitude = 0.0;
    std::array<double, 3600> Waveform{};
    std::array<double, 3600> WindowBuffer{};
    std::array<double, 7200> RawSequence{};
    // Table[L][N][P] with all indices from 1 lives at (L-1)*36000 + (N-1)*3600 + (P-1).
    std::array<double, kTableValues> Table{};
    UniformRandom Random;

    static double SmoothingFactorFor(int difficultyLevel);  // 1/64, 1/32, 1/16, 1/8, 1/4

    void Generate();
    void SetParameters(double factor, double amplitude);
    double NextSample();
    void FillTable(double amplitude);

    // Table entry by the three indices, each from 1. Out-of-range indices are
    // a programming error and are not checked in the frame path.
    double at(int level, int number, int position) const
    {
        return Table[static_cast<std::size_t>((level - 1) * 36000 + (number - 1) * 3600 + (position - 1))];
    }

    // Writes the table to `path` atomically (180,000 little-endian doubles).
    FileResult SaveToFile(const QString& path);

    // Reads the first 1,440,000 bytes of `path` into the table. A file too
    // short keeps the values read and leaves the rest 0; a value that is not a
    // finite number leaves the table all zeros (the caller then generates a
    // fresh one).
    FileResult LoadFromFile(const QString& path);
};

// The error box for a failure of SaveToFile or LoadFromFile:
// "Cannot create file \"<full path>\". <reason>", "Stream write error",
// "Cannot open file \"<full path>\". <reason>", "Stream read error" (file too
// short), or "Invalid value <text> at difficulty <L>, disturbance <N>,
// position <P> in \"<full path>\"".
QString distableMessage(const FileError& error);

}  // namespace quelvar
