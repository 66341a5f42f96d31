#include "task/DisturbFR.h"

#include "datafiles/FileSink.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <cmath>
#include <cstring>

namespace quelvar {
namespace {

constexpr int kWaveformLength = 3600;
constexpr int kWaveformBytes = kWaveformLength * 8;

// A finite factor finds a usable window within a few attempts; the bound only
// keeps a non-finite factor, whose samples never compare, from hanging the
// start-up.
constexpr int kMaxAttempts = 1000;

// What LoadFromFile could not do, beside FileSink's "create", "write" and "replace".
const QString kOpen = QStringLiteral("open");
const QString kUse = QStringLiteral("use");

void encodeLittleEndian(double value, char* out)
{
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    qToLittleEndian<quint64>(bits, out);
}

double decodeLittleEndian(const char* in)
{
    const quint64 bits = qFromLittleEndian<quint64>(in);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Fills `buffer` from `file` as far as the file allows; returns the bytes read
// (less than `size` at the end of the file), or -1 on a read failure.
qint64 readUpTo(QFile& file, char* buffer, qint64 size)
{
    qint64 total = 0;
    while (total < size) {
        const qint64 got = file.read(buffer + total, size - total);
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        total += got;
    }
    return total;
}

}  // namespace

double TDisturb::SmoothingFactorFor(int difficultyLevel)
{
    static constexpr double kDivisors[kDifficultyLevels] = {64.0, 32.0, 16.0, 8.0, 4.0};
    const int level = difficultyLevel < 1 ? 1 : (difficultyLevel > kDifficultyLevels ? kDifficultyLevels
                                                                                       : difficultyLevel);
    return 1.0 / kDivisors[level - 1];
}

void TDisturb::Generate()
{
    ReadIndex = 0;
    const double k = SmoothingFactor;
    const double A = Amplitude;
    double* const R = RawSequence.data();
    double* const W = WindowBuffer.data();

    int s = -1;
    for (int attempt = 0; attempt < kMaxAttempts && s < 0; ++attempt) {
        Stage1 = 0.0;
        Stage2 = 0.0;
        Stage3 = 0.0;
        for (int n = 0; n < 2 * kWaveformLength; ++n) {
            const double r = Random.next();
            Stage1 = (r - 0.5) * 20000.0 * k + Stage1;
            Stage2 = (Stage1 - Stage2) * k + Stage2;
            Stage3 = (Stage2 - Stage3) * k + Stage3;
            R[n] = Stage3;
        }
        // The window starts where the difference across 3599 samples changes
        // sign, so that its last sample leads smoothly into its first.
        if (R[0] < R[3599]) {
            for (int i = 1; i <= 3599; ++i) {
                if (R[i] >= R[i + 3599]) {
                    s = i;
                    break;
                }
            }
        } else {
            for (int i = 0; i <= 3599; ++i) {
                if (R[i] <= R[i + 3599]) {
                    s = i;
                    break;
                }
            }
        }
    }
    if (s < 0)
        s = 0;

    for (int j = 0; j < kWaveformLength; ++j)
        W[j] = R[s + j];

    double max = -1000000.0;
    double min = 1000000.0;
    for (int j = 0; j < kWaveformLength; ++j) {
        if (W[j] > max)
            max = W[j];
        if (W[j] < min)
            min = W[j];
    }
    for (int j = 0; j < kWaveformLength; ++j)
        W[j] = W[j] - (max + min) / 2.0;
    for (int j = 0; j < kWaveformLength; ++j)
        W[j] = W[j] / (max - min) * A;

    // A finite waveform always crosses zero; the fallback only covers a
    // non-finite amplitude or factor.
    int m = 0;
    for (int i = 0; i < kWaveformLength - 1; ++i) {
        if (W[i] * W[i + 1] <= 0.0) {
            m = i;
            break;
        }
    }
    for (int j = 0; j < kWaveformLength; ++j)
        Waveform[static_cast<std::size_t>(j)] = W[(m + j) % kWaveformLength];
}

void TDisturb::SetParameters(double factor, double amplitude)
{
    SmoothingFactor = factor;
    Amplitude = amplitude;
    Generate();
}

double TDisturb::NextSample()
{
    const int index = ReadIndex < 0 || ReadIndex >= kWaveformLength ? 0 : ReadIndex;
    const double value = Waveform[static_cast<std::size_t>(index)];
    if (index == kWaveformLength - 1) {
        ReadIndex = 0;
        Generate();
    } else {
        ReadIndex = index + 1;
    }
    return value;
}

void TDisturb::FillTable(double amplitude)
{
    std::size_t slot = 0;
    for (int level = 1; level <= kDifficultyLevels; ++level) {
        const double factor = SmoothingFactorFor(level);
        for (int number = 1; number <= kDisturbanceNumbers; ++number) {
            SetParameters(factor, amplitude);
            for (int position = 1; position <= kTablePositions; ++position)
                Table[slot++] = NextSample();
        }
    }
}

FileResult TDisturb::SaveToFile(const QString& path)
{
    FileSink sink(path);
    if (!sink.open())
        return sink.error();

    // One waveform per write keeps the buffer small while the file still
    // goes out in a few large pieces.
    char chunk[kWaveformBytes];
    for (std::size_t first = 0; first < Table.size(); first += kWaveformLength) {
        for (int j = 0; j < kWaveformLength; ++j)
            encodeLittleEndian(Table[first + static_cast<std::size_t>(j)], chunk + j * 8);
        if (!sink.write(chunk, kWaveformBytes))
            return sink.error();
    }
    if (!sink.commit())
        return sink.error();
    return std::nullopt;
}

FileResult TDisturb::LoadFromFile(const QString& path)
{
    Table.fill(0.0);
    // Opening a named pipe would wait for a writer for ever, and a device
    // never ends; only a regular file can hold a table.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return FileError{kOpen, path, QStringLiteral("Not a regular file")};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileError{kOpen, path, file.errorString()};

    char chunk[kWaveformBytes];
    for (std::size_t first = 0; first < Table.size(); first += kWaveformLength) {
        const qint64 got = readUpTo(file, chunk, kWaveformBytes);
        const int whole = got < 0 ? 0 : static_cast<int>(got / 8);
        for (int j = 0; j < whole; ++j) {
            const double value = decodeLittleEndian(chunk + j * 8);
            if (!std::isfinite(value)) {
                // A damaged file must not put NaN or infinity on the screen;
                // the caller falls back to a freshly generated table.
                Table.fill(0.0);
                const std::size_t index = first + static_cast<std::size_t>(j);
                return FileError{kUse, path,
                                 QStringLiteral("Invalid value %1 at difficulty %2, disturbance %3, position %4")
                                     .arg(QString::number(value))
                                     .arg(index / 36000 + 1)
                                     .arg(index / 3600 % 10 + 1)
                                     .arg(index % 3600 + 1)};
            }
            Table[first + static_cast<std::size_t>(j)] = value;
        }
        if (whole < kWaveformLength)
            return FileError{QStringLiteral("read"), path,
                             got < 0 ? file.errorString() : QStringLiteral("the file ends before the table does")};
    }
    return std::nullopt;
}

QString distableMessage(const FileError& error)
{
    const QString fullPath = QFileInfo(error.path).absoluteFilePath();
    if (error.action == QLatin1String("create"))
        return QStringLiteral("Cannot create file \"%1\". %2").arg(fullPath, error.reason);
    if (error.action == kOpen)
        return QStringLiteral("Cannot open file \"%1\". %2").arg(fullPath, error.reason);
    if (error.action == kUse)
        return QStringLiteral("%1 in \"%2\"").arg(error.reason, fullPath);
    if (error.action == QLatin1String("read"))
        return QStringLiteral("Stream read error");
    return QStringLiteral("Stream write error");
}

}  // namespace quelvar
