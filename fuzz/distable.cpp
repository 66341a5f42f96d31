// TDisturb::LoadFromFile on a real file made from the input.
//
// The input describes the file: a 4-byte length, a 4-byte offset, and bytes
// that are placed at that offset in a file of zeros of that length. Small
// inputs thus reach every size up to past 1,440,000 bytes and put any value,
// NaN included, at any table position.
//
// A full file loads bit for bit; a short one loads the whole values it holds
// and reports "Stream read error" with the rest zero; a value that is not
// finite is refused and leaves the table all zeros.
#include "FuzzChecks.h"

#include "task/DisturbFR.h"

#include <QFile>
#include <QString>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <vector>

using namespace quelvar;

namespace {

// One file per process, in the temporary folder, removed at exit.
struct ScratchFile {
    QString path = QStringLiteral("/tmp/quelvar-fuzz-distable-%1").arg(::getpid());
    ~ScratchFile() { QFile::remove(path); }
};

double valueAt(const std::vector<char>& bytes, std::size_t index)
{
    const quint64 bits = qFromLittleEndian<quint64>(bytes.data() + index * 8);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static ScratchFile scratch;
    static auto disturb = std::make_unique<TDisturb>();
    if (size < 8)
        return 0;

    const std::size_t length = qFromLittleEndian<quint32>(data) % std::size_t(kDistableBytes + 65);
    const std::size_t offset = qFromLittleEndian<quint32>(data + 4) % (length + 1);
    std::vector<char> bytes(length, 0);
    const std::size_t placed = std::min(size - 8, length - offset);
    if (placed > 0)
        std::memcpy(bytes.data() + offset, data + 8, placed);
    {
        QFile file(scratch.path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(bytes.data(), qint64(length)) == qint64(length));
    }

    // Leftovers from an earlier load must not survive this one.
    disturb->Table.fill(7.0);
    const FileResult result = disturb->LoadFromFile(scratch.path);
    const bool loaded = result.ok();
    const QString message = loaded ? QString() : distableMessage(*result);

    const std::size_t whole = std::min(length / 8, std::size_t(kTableValues));
    bool allFinite = true;
    for (std::size_t i = 0; i < whole && allFinite; ++i)
        allFinite = std::isfinite(valueAt(bytes, i));

    if (!allFinite) {
        FUZZ_CHECK(!loaded);
        FUZZ_CHECK(message.startsWith(QStringLiteral("Invalid value")));
        for (double v : disturb->Table)
            FUZZ_CHECK(sameBits(v, 0.0));
        return 0;
    }
    if (length < std::size_t(kDistableBytes)) {
        FUZZ_CHECK(!loaded);
        FUZZ_CHECK(message == QStringLiteral("Stream read error"));
    } else {
        FUZZ_CHECK(loaded);
    }
    for (std::size_t i = 0; i < std::size_t(kTableValues); ++i)
        FUZZ_CHECK(sameBits(disturb->Table[i], i < whole ? valueAt(bytes, i) : 0.0));
    return 0;
}
