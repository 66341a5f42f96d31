#include "task/RunTimingReport.h"

#include "common/BuildIdentity.h"
#include "common/Dialogs.h"
#include "common/Version.h"
#include "common/WorkThreads.h"
#include "datafiles/FrameTimingFile.h"
#include "datafiles/PathRules.h"
#include "datafiles/RunCompanionFiles.h"
#include "task/DisturbFR.h"
#include "task/RunTimingView.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QUuid>
#include <QtEndian>
#include <cstring>
#include <unistd.h>

namespace quelvar {
namespace {

QString localIsoTime(std::int64_t nsSinceEpoch)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(nsSinceEpoch / 1000000);
    // Written with its offset, so the time stays unambiguous in another zone.
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QByteArray fileSha256(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return hash.result().toHex();
}

QString cpuModel()
{
    QFile file(QStringLiteral("/proc/cpuinfo"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    for (QByteArray line = file.readLine(); !line.isEmpty(); line = file.readLine())
        if (line.startsWith("model name"))
            return QString::fromUtf8(line.mid(line.indexOf(':') + 1)).trimmed();
    return {};
}

QString newId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

// What the box says when the run was saved but a file beside it was not:
// the experimenter must not take the run for lost.
QString companionFailure(const QString& dataFile, const FileResult& frames, const FileResult& description)
{
    QString text = QStringLiteral("The run was saved in %1.").arg(dataFile);
    if (!frames.ok())
        text += QStringLiteral(" Its frames file could not be written: %1.").arg(frames->reason);
    if (!description.ok())
        text += QStringLiteral(" Its description could not be written: %1.").arg(description->reason);
    return text;
}

}  // namespace

QByteArray disturbanceTableSha256(const TDisturb& table)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    char chunk[kTablePositions * 8];
    for (std::size_t first = 0; first < table.Table.size(); first += kTablePositions) {
        for (std::size_t j = 0; j < std::size_t(kTablePositions); ++j) {
            quint64 bits;
            std::memcpy(&bits, &table.Table[first + j], 8);
            qToLittleEndian(bits, chunk + j * 8);
        }
        hash.addData(QByteArrayView(chunk, sizeof chunk));
    }
    return hash.result().toHex();
}

RunTimingReport::RunTimingReport(SharedState& state, Dialogs& dialogs,
                                 const RunSettingPositions& spinners)
    : state_(state), dialogs_(dialogs), spinners_(spinners)
{
}

void RunTimingReport::noteTable(const TDisturb& table, TableSource source, bool saved,
                                const QString& filePath)
{
    table_.sha256Hex = disturbanceTableSha256(table);
    table_.source = source;
    table_.saved = saved;
    table_.filePath = QFileInfo(filePath).absoluteFilePath();
}

void RunTimingReport::finishRun(bool dataFileWritten, QSize display)
{
    const std::int64_t frequency = state_.experiment.PerfFrequency;
    const FrameIntervalStats stats = frames_.stats(frequency);
    if (view_)
        view_->showLastRunLateFrames(stats.lateFrames);
    // A series keeps the identifier of its first run.
    if (state_.experiment.RunNumber <= 1 || seriesId_.isEmpty())
        seriesId_ = newId();
    // The two files describe the data file beside them; with no new data
    // file they would describe a run that is not there.
    if (!dataFileWritten)
        return;
    const QString& dataPath = state_.files.DataFilePath;
    const QString framesPath = frameTimingPath(dataPath);
    const QString descriptionPath = runDescriptionPath(dataPath);
    const QByteArray framesText = formatFrameTimingFile(frames_, frequency, state_.run);
    RunDescription description = describe(stats, display);
    // Each file is synced to disk before it replaces its name, and a sync
    // waits for the disk (about 8 ms on a virtual one). Side by side, the two
    // syncs share that wait instead of adding up; the description, written
    // as if the frames file will be there, is written again when it is not.
    FileResult frames, described;
    runOnWorkThreads(2, 2, [&](std::size_t file, int) {
        if (file == 0)
            frames = writeCompanionFile(framesPath, framesText);
        else
            described = writeCompanionFile(descriptionPath, formatRunDescription(description));
    });
    if (!frames.ok() && described.ok()) {
        description.framesFileWritten = false;
        described = writeCompanionFile(descriptionPath, formatRunDescription(description));
    }
    if (!frames.ok() || !described.ok())
        dialogs_.error(companionFailure(state_.files.DataFileName, frames, described));
}

RunDescription RunTimingReport::describe(const FrameIntervalStats& stats, QSize display) const
{
    const ExperimentState& e = state_.experiment;
    RunDescription d;
    d.programVersion = QString::fromLatin1(kProgramVersion);
    d.dataFile = bareFileName(state_.files.DataFilePath);
    d.dataFileSha256Hex = fileSha256(state_.files.DataFilePath);
    d.framesFile = bareFileName(frameTimingPath(state_.files.DataFilePath));
    d.recordingStart = localIsoTime(frames_.wallStartNs());
    d.recordingEnd = localIsoTime(frames_.wallEndNs());
    const auto ns = [&](int frame) {
        return std::int64_t((long double)frames_.ticks(frame) * 1e9L / (long double)e.PerfFrequency);
    };
    if (e.PerfFrequency > 0) {
        d.anchorStartMonotonicNs = ns(1);
        d.anchorEndMonotonicNs = ns(kRunFrames);
    }
    d.anchorStartWallNs = frames_.wallStartNs();
    d.anchorEndWallNs = frames_.wallEndNs();
    d.difficulty = e.Difficulty;
    d.disturbanceNumber = e.DisturbanceNumber;
    d.runNumber = e.RunNumber;
    d.runCount = e.RunCount;
    d.interRunIntervalS = spinners_.IRI;
    d.leadInFrames = e.LeadInFrames;
    d.intervals = stats;
    d.scheduling = scheduling_;
    if (view_)
        d.screen = view_->screenFacts();
    d.display = display;
    d.displayScale = e.DisplayScale;
    d.table = table_;
    d.qtVersion = QString::fromLatin1(qVersion());
    d.os = QSysInfo::prettyProductName();
    d.kernel = QSysInfo::kernelType() + ' ' + QSysInfo::kernelVersion();
    const BuildIdentity build = buildIdentity();
    d.buildRevision = build.revision;
    d.buildType = build.type;
    d.compiler = build.compiler;
    d.hostName = QSysInfo::machineHostName();
    d.cpuModel = cpuModel();
    d.logicalCores = int(sysconf(_SC_NPROCESSORS_ONLN));
    d.loadAverageStart = frames_.loadAverageStart();
    d.loadAverageEnd = frames_.loadAverageEnd();
    d.processCpuS = frames_.processCpuS();
    d.seriesId = seriesId_;
    d.runId = newId();
    return d;
}

}  // namespace quelvar
