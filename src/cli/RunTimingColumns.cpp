#include "cli/RunTimingColumns.h"

#include "analysis/FrameIntervalStrip.h"
#include "datafiles/DataFile.h"
#include "datafiles/NumberFormat.h"
#include "datafiles/PathRules.h"
#include "datafiles/RegularFile.h"
#include "datafiles/RunCompanionFiles.h"
#include "datafiles/RunDescriptionFile.h"

#include <cmath>
#include <memory>

namespace quelvar::cli {
namespace {

// Both files hold the positions with two decimals, as read from the same text.
constexpr double kSamePosition = 1e-6;

bool sameRun(const FrameTimingRows& rows, const RunRecord& run)
{
    for (std::size_t i = 1; i <= std::size_t(kRunFrames); ++i)
        if (std::abs(rows.mouse[i] - run.Mouse[i]) > kSamePosition ||
            std::abs(rows.target[i] - run.Target[i]) > kSamePosition)
            return false;
    return true;
}

}  // namespace

QStringList runTimingFields(const QString& dataFile, QStringList* notes)
{
    const QString path = runDescriptionPath(dataFile);
    QByteArray json, data;
    bool missing = false;
    FileResult failed = readRegularFile(path, kMaxDataFileBytes, json, &missing);
    if (missing)
        return {QString(), QString()};
    if (failed.ok())
        failed = readRegularFile(dataFile, kMaxDataFileBytes, data);
    QString problem = failed.ok() ? QString() : failed->reason;
    const auto summary = failed.ok() ? runDescriptionSummary(json, data, &problem) : std::nullopt;
    if (!summary) {
        *notes << QStringLiteral("%1 passed over: %2").arg(bareFileName(path), problem);
        return {QString(), QString()};
    }
    return {QString::number(summary->lateFrames),
            QString::fromLatin1(formatFixed(summary->durationS, 6, 0))};
}

std::function<QImage(const QImage&)> frameIntervalStripFor(const QString& dataFile,
                                                           const RunRecord& run, QStringList* notes)
{
    const QString path = frameTimingPath(dataFile);
    auto rows = std::make_shared<FrameTimingRows>();
    bool missing = false;
    const FileResult read = readFrameTimingFile(path, *rows, &missing);
    QString problem = read.ok() ? QString() : read->reason;
    if (read.ok() && !sameRun(*rows, run))
        problem = QStringLiteral("it belongs to another run");
    if (missing)
        return {};
    if (!problem.isEmpty()) {
        *notes << QStringLiteral("%1 passed over: %2").arg(bareFileName(path), problem);
        return {};
    }
    return [rows](const QImage& plot) { return withFrameIntervalStrip(plot, *rows); };
}

}  // namespace quelvar::cli
