#include "cli/RunTimingColumns.h"

#include "analysis/FrameIntervalStrip.h"
#include "datafiles/DataFile.h"
#include "datafiles/NumberFormat.h"
#include "datafiles/PathRules.h"
#include "datafiles/RunCompanionFiles.h"
#include "datafiles/RunDescriptionFile.h"
#include "datafiles/SmallFile.h"

#include <QFileInfo>
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
    if (!QFileInfo(path).isFile())
        return {QString(), QString()};
    QByteArray json, data;
    FileResult read = readSmallFile(path, kMaxDataFileBytes, QStringLiteral("run description"), json);
    if (read.ok())
        read = readSmallFile(dataFile, kMaxDataFileBytes, QStringLiteral("data file"), data);
    QString problem = read.ok() ? QString() : read->reason;
    const auto summary = read.ok() ? runDescriptionSummary(json, data, &problem) : std::nullopt;
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
    if (!QFileInfo::exists(path))
        return {};
    auto rows = std::make_shared<FrameTimingRows>();
    const FileResult read = readFrameTimingFile(path, *rows);
    QString problem = read.ok() ? QString() : read->reason;
    if (read.ok() && !sameRun(*rows, run))
        problem = QStringLiteral("it belongs to another run");
    if (!problem.isEmpty()) {
        *notes << QStringLiteral("%1 passed over: %2").arg(bareFileName(path), problem);
        return {};
    }
    return [rows](const QImage& plot) { return withFrameIntervalStrip(plot, *rows); };
}

}  // namespace quelvar::cli
