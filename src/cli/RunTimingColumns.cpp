#include "cli/RunTimingColumns.h"

#include "analysis/FrameIntervalStrip.h"
#include "datafiles/DataFile.h"
#include "datafiles/NumberFormat.h"
#include "datafiles/PathRules.h"
#include "datafiles/RunCompanionFiles.h"
#include "datafiles/RunDescriptionFile.h"

#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <memory>

namespace quelvar::cli {
namespace {

// Both files hold the positions with two decimals, as read from the same text.
constexpr double kSamePosition = 1e-6;

QByteArray readSmallFile(const QString& path, bool* ok)
{
    QFile file(path);
    *ok = file.open(QIODevice::ReadOnly);
    QByteArray bytes = *ok ? file.read(kMaxDataFileBytes + 1) : QByteArray();
    *ok = *ok && bytes.size() <= kMaxDataFileBytes;
    return bytes;
}

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
    bool jsonRead = false, dataRead = false;
    const QByteArray json = readSmallFile(path, &jsonRead);
    const QByteArray data = readSmallFile(dataFile, &dataRead);
    QString problem = QStringLiteral("it cannot be read");
    const auto summary = jsonRead && dataRead ? runDescriptionSummary(json, data, &problem) : std::nullopt;
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
    QString problem;
    if (readFrameTimingFile(path, *rows, &problem) && !sameRun(*rows, run))
        problem = QStringLiteral("it belongs to another run");
    if (!problem.isEmpty()) {
        *notes << QStringLiteral("%1 passed over: %2").arg(bareFileName(path), problem);
        return {};
    }
    return [rows](const QImage& plot) { return withFrameIntervalStrip(plot, *rows); };
}

}  // namespace quelvar::cli
