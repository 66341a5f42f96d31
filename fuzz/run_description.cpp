// The run description reader on arbitrary bytes, and the writer on arbitrary
// text.
//
// A description is taken only for the data file it names by its SHA-256, and
// then gives a whole number of late frames in 0 ... 3600 and a finite,
// non-negative duration; a refused one says why. Whatever text the names hold
// (quotes, backslashes, line ends, NULs, bytes that are not UTF-8), the written
// description is JSON that reads back to the same text and the same figures.
#include "FuzzChecks.h"

#include "datafiles/RunDescriptionFile.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <cstring>

using namespace quelvar;

namespace {

// The data file the seeds describe (fuzz/corpus/run_description/).
const QByteArray kDataFile = QByteArrayLiteral("Quelvar fuzz data file\n");

RunDescription describing(const QString& text, const std::uint8_t* data, std::size_t size)
{
    RunDescription d;
    d.programVersion = text;
    d.dataFile = text;
    d.dataFileSha256Hex = QCryptographicHash::hash(kDataFile, QCryptographicHash::Sha256).toHex();
    d.framesFile = text;
    d.screen.name = text;
    d.table.filePath = text;
    d.os = text;
    d.intervals.lateFrames = int(size % (kRunFrames + 1));
    if (size >= sizeof(double))
        std::memcpy(&d.intervals.durationS, data, sizeof(double));
    // A measured duration: finite and not negative, as the reader demands.
    const double seconds = d.intervals.durationS;
    d.intervals.durationS = std::isfinite(seconds) ? std::fabs(seconds) : 0.0;
    return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString problem;
    const auto summary = runDescriptionSummary(bytes, kDataFile, &problem);
    if (summary) {
        FUZZ_CHECK(summary->lateFrames >= 0 && summary->lateFrames <= kRunFrames);
        FUZZ_CHECK(std::isfinite(summary->durationS) && summary->durationS >= 0);
    } else {
        FUZZ_CHECK(!problem.isEmpty());
    }

    const QString text = QString::fromUtf8(bytes);
    const RunDescription d = describing(text, data, size);
    const QByteArray json = formatRunDescription(d);
    const QJsonObject o = QJsonDocument::fromJson(json).object();
    for (const char* key : {"program_version", "data_file", "frames_file", "screen_name",
                            "disturbance_table_file", "os"})
        FUZZ_CHECK(o.value(QLatin1String(key)).toString() == text);
    const auto read = runDescriptionSummary(json, kDataFile, &problem);
    FUZZ_CHECK(read.has_value());
    FUZZ_CHECK(read->lateFrames == d.intervals.lateFrames);
    FUZZ_CHECK(closeTo(read->durationS, d.intervals.durationS, 6));
    FUZZ_CHECK(!runDescriptionSummary(json, kDataFile + ' ', &problem));
    return 0;
}
