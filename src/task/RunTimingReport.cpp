#include "task/RunTimingReport.h"

#include "common/Dialogs.h"
#include "common/Version.h"
#include "datafiles/FrameTimingFile.h"
#include "datafiles/PathRules.h"
#include "datafiles/RunCompanionFiles.h"
#include "task/DisturbFR.h"
#include "task/RunTimingView.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QSysInfo>
#include <QtEndian>
#include <cstring>
#include <thread>

namespace quelvar {
namespace {

QString localIsoTime(std::int64_t msSinceEpoch)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(msSinceEpoch);
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
    // The two files describe the data file beside them; with no new data
    // file they would describe a run that is not there.
    if (!dataFileWritten)
        return;
    const QString& dataPath = state_.files.DataFilePath;
    const QByteArray framesText = formatFrameTimingFile(frames_, frequency, state_.run);
    const QByteArray descriptionText = formatRunDescription(describe(stats, display));
    // Each file is synced to disk before it replaces its name, and a sync
    // waits for the disk (about 8 ms on a virtual one). Side by side, the two
    // syncs share that wait instead of adding up.
    FileResult framesWritten;
    std::thread frames([&] { framesWritten = writeCompanionFile(frameTimingPath(dataPath), framesText); });
    const FileResult descriptionWritten = writeCompanionFile(runDescriptionPath(dataPath), descriptionText);
    frames.join();
    // One box for both: the data file is safe, and the user needs to know
    // which of the two is missing and why.
    QStringList failures;
    for (const FileResult& written : {framesWritten, descriptionWritten})
        if (!written.ok())
            failures << written->message();
    if (!failures.isEmpty())
        dialogs_.error(failures.join('\n'));
}

RunDescription RunTimingReport::describe(const FrameIntervalStats& stats, QSize display) const
{
    const ExperimentState& e = state_.experiment;
    RunDescription d;
    d.programVersion = QString::fromLatin1(kProgramVersion);
    d.dataFile = bareFileName(state_.files.DataFilePath);
    d.dataFileSha256Hex = fileSha256(state_.files.DataFilePath);
    d.framesFile = bareFileName(frameTimingPath(state_.files.DataFilePath));
    d.recordingStart = localIsoTime(frames_.wallStartMs());
    d.recordingEnd = localIsoTime(frames_.wallEndMs());
    d.difficulty = e.Difficulty;
    d.disturbanceNumber = e.DisturbanceNumber;
    d.runNumber = e.RunNumber;
    d.runCount = e.RunCount;
    d.interRunIntervalS = spinners_.IRI;
    d.leadInFrames = e.LeadInFrames;
    d.intervals = stats;
    if (view_)
        d.screen = view_->screenFacts();
    d.display = display;
    d.displayScale = e.DisplayScale;
    d.table = table_;
    d.qtVersion = QString::fromLatin1(qVersion());
    d.os = QSysInfo::prettyProductName();
    d.kernel = QSysInfo::kernelType() + ' ' + QSysInfo::kernelVersion();
    return d;
}

}  // namespace quelvar
