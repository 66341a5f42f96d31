#include "task/ExperimentController.h"

#include "analysis/AnalysisSession.h"
#include "common/RunRecord.h"
#include "datafiles/DataFile.h"
#include "datafiles/PathRules.h"
#include "task/DisturbFR.h"
#include "task/FrameClock.h"
#include "task/RunFileCheck.h"
#include "task/UniformRandom.h"

#include <QFileInfo>
#include <algorithm>

namespace quelvar {
namespace {

constexpr double kTableAmplitude = 1000.0;

ShortText blankText()
{
    ShortText text;
    text.data[0] = ' ';
    text.size = 1;
    return text;
}

std::int16_t heldWithin(int position, int lo, int hi)
{
    return static_cast<std::int16_t>(std::clamp(position, lo, hi));
}

const QString kNoDataFileName = QStringLiteral("No data filename specified; Data collection cancelled.");
const QString kFileExists = QStringLiteral("File exists.  Overwrite?");

// A single file keeps the program's own question; a series names the files
// it would replace, since they are not the one in the data file box.
QString overwriteQuestion(const QStringList& existing, bool series)
{
    if (!series)
        return kFileExists;
    QStringList names;
    for (const QString& path : existing)
        names << bareFileName(path);
    return names.join(QStringLiteral(", ")) +
           (names.size() == 1 ? QStringLiteral(" exists.  Overwrite?") : QStringLiteral(" exist.  Overwrite?"));
}

}  // namespace

ExperimentController::ExperimentController(SharedState& state, MainView& view, Dialogs& dialogs,
                                           AnalysisSession& session, FrameClock& clock)
    : state_(state),
      dialogs_(dialogs),
      session_(session),
      clock_(clock),
      texts_(view, state.experiment),
      disturb_(std::make_unique<TDisturb>()),
      recording_(state, *disturb_, texts_, dialogs, session),
      timing_(state, dialogs, spinners_)
{
    saveDialog_.proposedName = QStringLiteral("./Default.txt");
    recording_.setTiming(&timing_);
}

ExperimentController::~ExperimentController() = default;

void ExperimentController::InitExperiment(const QString& distablePath)
{
    ExperimentState& e = state_.experiment;
    disturb_->Random.SeedGenerator(clockSeed());
    e.DisplayScale = 1000;
    e.State = StartupLayout;
    e.Difficulty = 3;
    e.DisturbanceNumber = 1;
    e.TablePosition = 1;
    e.Recording = false;
    e.MultiRun = false;
    e.LeadInFrames = 240;

    // A table file that cannot be used must not end the start-up: the error
    // is shown, this session runs on a freshly generated table, and the file
    // is left alone so that nothing the researcher kept is overwritten.
    TableSource source = TableSource::Loaded;
    bool saved = false;
    if (QFileInfo::exists(distablePath)) {
        if (const FileResult loaded = disturb_->LoadFromFile(distablePath); !loaded.ok()) {
            dialogs_.fileFailed(Dialogs::Box::Error, distableMessage(*loaded), *loaded);
            disturb_->FillTable(kTableAmplitude);
            source = TableSource::Generated;
        }
    } else {
        disturb_->FillTable(kTableAmplitude);
        source = TableSource::Generated;
        const FileResult written = disturb_->SaveToFile(distablePath);
        saved = written.ok();
        if (!saved)
            dialogs_.fileFailed(Dialogs::Box::Error, distableMessage(*written), *written);
    }
    timing_.noteTable(*disturb_, source, saved, distablePath);

    e.DisplayScale = 1200;
    e.RunAvailable = false;
    saveDialog_.filter = QString::fromLatin1(kDataFileFilter);
    saveDialog_.defaultSuffix = QStringLiteral("txt");
    saveDialog_.title = QStringLiteral("Save Data File As");
    ClearRunRecord(state_.run);
}

void ExperimentController::StartPacing()
{
    state_.experiment.PerfFrequency = clock_.frequency();
    state_.experiment.LastFrameTime = clock_.now();
}

void ExperimentController::ApplicationIdle()
{
    StepState();
    Pace();
}

void ExperimentController::Pace()
{
    ExperimentState& e = state_.experiment;
    // The period is kept fractional (16 666 666.67 ns): an integer division
    // would make every frame a little short and the rate drift above 60 Hz.
    const long double period = static_cast<long double>(e.PerfFrequency) / 60.0L;
    // Most of the wait is slept, leaving the processor to other programs;
    // the last kSpinMarginUs before the boundary are spun, so a late wake-up
    // from the sleep does not move the frame.
    const long double margin = static_cast<long double>(e.PerfFrequency) * kSpinMarginUs / 1e6L;
    std::int64_t now = clock_.now();
    const long double wake = static_cast<long double>(e.LastFrameTime) + period - margin;
    if (wake > static_cast<long double>(now)) {
        clock_.sleepUntil(static_cast<std::int64_t>(wake));
        now = clock_.now();
    }
    while (period > static_cast<long double>(now - e.LastFrameTime))
        now = clock_.now();
    e.LastFrameTime = now;
    e.LastFrameWallClock = clock_.wallClockNs();
}

void ExperimentController::StepState()
{
    ExperimentState& e = state_.experiment;
    switch (e.State) {
    case StartupLayout:
        stepStartupLayout();
        break;
    case Blank:
        recording_.clearAndShow();
        break;
    case Tracking:
        recording_.DrawFrame();
        if (e.Recording)
            recording_.RecordFrame();
        break;
    case AnalysisLive:
        if (e.RunAvailable)
            session_.AnalysisFrame();
        break;
    case NextRun:
        stepNextRun();
        break;
    case InterRunCountdown:
        stepCountdown();
        break;
    default:
        break;
    }
}

void ExperimentController::stepStartupLayout()
{
    ExperimentState& e = state_.experiment;
    recording_.resizeBitmap(texts_.view().layOutForStart());
    recording_.initializeTarget();
    recording_.clearAndShow();
    texts_.setStatus(kStatusInactive, clYellow);
    texts_.setDataFile(QStringLiteral("Default.txt"));
    e.RunCount = spinners_.NRuns;
    e.RunNumber = 1;
    texts_.setRunNumber(e.RunNumber);
    e.State = Blank;
}

void ExperimentController::stepNextRun()
{
    ExperimentState& e = state_.experiment;
    ++e.RunNumber;
    NextDataFileName();
    texts_.setDataFile(state_.files.DataFileName);
    texts_.setRunNumber(e.RunNumber);
    e.CountdownFrames = std::int32_t(spinners_.IRI) * 60;
    recording_.clearAndShow();
    e.Recording = true;
    e.State = InterRunCountdown;
}

void ExperimentController::stepCountdown()
{
    ExperimentState& e = state_.experiment;
    --e.CountdownFrames;
    if (e.CountdownFrames % 60 == 0)
        texts_.setElapsedSeconds(e.CountdownFrames / 60);
    if (e.CountdownFrames > 0)
        return;
    // The series' files were agreed to before its first run, so this asks
    // nothing unless a file appeared since or the number of runs grew. The
    // passes under such a box must neither count down nor record.
    e.Recording = false;
    e.State = Blank;
    if (runFilesMayBeWritten())
        applyRunStartValues();
    else
        enterPractice();
}

bool ExperimentController::runFilesMayBeWritten()
{
    const ExperimentState& e = state_.experiment;
    DataFileNames& files = state_.files;
    if (!files.hasRecordingTarget()) {
        dialogs_.error(kNoDataFileName);
        return false;
    }
    const int lastRun = e.MultiRun ? e.RunCount : e.RunNumber;
    // A clash or another run's file is refused before anything is asked: no
    // answer could make such a run safe.
    if (const QString refusal =
            runFilesRefusal(files.DataFilePath, e.RunNumber, lastRun, e.MultiRun);
        !refusal.isEmpty()) {
        dialogs_.error(refusal);
        return false;
    }
    QStringList existing;
    for (const QString& path : dataFilesOfRuns(files.DataFilePath, e.RunNumber, lastRun))
        if (QFileInfo::exists(path) && !files.ReplaceAgreed.contains(path) && !existing.contains(path))
            existing << path;
    if (existing.isEmpty())
        return true;
    if (!dialogs_.confirm(overwriteQuestion(existing, lastRun > e.RunNumber)))
        return false;
    files.ReplaceAgreed += existing;
    return true;
}

void ExperimentController::enterPractice()
{
    ExperimentState& e = state_.experiment;
    e.Recording = false;
    e.State = Tracking;
    texts_.setStatus(kStatusPractice, clYellow);
}

void ExperimentController::applyRunStartValues()
{
    ExperimentState& e = state_.experiment;
    e.FrameCounter = -e.LeadInFrames;
    e.TablePosition = static_cast<std::int32_t>(kRunFrames - e.LeadInFrames);
    texts_.setStatusText(kStatusStartTracking);
    e.Recording = true;
    e.State = Tracking;
}

void ExperimentController::CollectDataBtnClick()
{
    if (state_.experiment.Recording)
        return;
    ChooseDataFile();
    if (state_.files.hasRecordingTarget()) {
        texts_.setStatusText(kStatusPractice);
        state_.experiment.State = Tracking;
    } else {
        dialogs_.error(kNoDataFileName);
    }
}

void ExperimentController::StartBtnClick()
{
    const ExperimentState& e = state_.experiment;
    if (e.Recording)
        return;
    if (e.StatusText == kStatusInactive) {
        dialogs_.information(
            QStringLiteral("First press \"Collect Data\" button to enter data collection mode."));
        return;
    }
    if (runFilesMayBeWritten())
        applyRunStartValues();
}

void ExperimentController::AbortBtnClick()
{
    ExperimentState& e = state_.experiment;
    if (e.StatusText == kStatusInactive)
        return;
    e.RunAvailable = false;
    ClearRunRecord(state_.run);
    // Frames go on under the question below: nothing may be recorded into
    // the cleared record, and neither a run nor a pause may end there.
    e.Recording = false;
    if (e.State == InterRunCountdown || e.State == NextRun)
        e.State = Blank;
    texts_.setStatusColor(clYellow);
    if (e.RunCount == 1) {
        texts_.setElapsedTime(blankText());
        texts_.setStatusText(kStatusPractice);
        e.State = Tracking;
        return;
    }
    if (dialogs_.confirm(QStringLiteral("Cancel remaining multiple runs?"))) {
        e.RunNumber = 1;
        texts_.setRunNumber(e.RunNumber);
        texts_.setStatus(kStatusInactive, clYellow);
        e.State = Blank;
    } else if (runFilesMayBeWritten()) {
        applyRunStartValues();
    } else {
        enterPractice();
    }
}

bool ExperimentController::AnalyzeBtnClick()
{
    if (state_.experiment.Recording)
        return false;
    state_.experiment.State = AnalysisLive;
    session_.PrepareForShow();
    return true;
}

bool ExperimentController::InstructionBtnClick()
{
    return !state_.experiment.Recording;
}

void ExperimentController::AnalysisFormClosed()
{
    state_.experiment.State = Blank;
    texts_.setStatus(kStatusInactive, clYellow);
}

void ExperimentController::DiffUpDownClick(int position)
{
    spinners_.Diff = heldWithin(position, 1, kDifficultyLevels);
    state_.experiment.Difficulty = spinners_.Diff;
}

void ExperimentController::DisturbUpDownClick(int position)
{
    spinners_.Disturb = heldWithin(position, 1, kDisturbanceNumbers);
    state_.experiment.DisturbanceNumber = spinners_.Disturb;
}

void ExperimentController::NRunsUpDownClick(int position)
{
    spinners_.NRuns = heldWithin(position, 1, 15);
    state_.experiment.RunCount = spinners_.NRuns;
    state_.experiment.MultiRun = state_.experiment.RunCount > 1;
}

void ExperimentController::IRIUpDownClick(int position)
{
    spinners_.IRI = heldWithin(position, 5, 300);
    ExperimentState& e = state_.experiment;
    if (e.Recording)
        return;
    // A series counts its runs from 1: anything else would record one run
    // more than asked for and give the second file the letter "a".
    e.RunNumber = 1;
    texts_.setRunNumber(e.RunNumber);
}

void ExperimentController::ChooseDataFile()
{
    const std::optional<QString> chosen = dialogs_.saveFile(saveDialog_);
    if (!chosen)
        return;
    saveDialog_.proposedName = *chosen;
    DataFileNames& files = state_.files;
    files.DataFilePath = *chosen;
    files.DataFileName = bareFileName(files.DataFilePath);
    // A new choice starts a new data collection: earlier agreements to
    // replace files end here.
    files.ReplaceAgreed.clear();
    files.ChosenForRecording = false;
    if (QFileInfo::exists(files.DataFilePath)) {
        if (!dialogs_.confirm(kFileExists)) {
            files.DataFileName.clear();
            return;
        }
        files.ReplaceAgreed << files.DataFilePath;
    }
    files.ChosenForRecording = true;
    // A series counts its runs afresh for every new file name.
    ExperimentState& e = state_.experiment;
    e.RunNumber = 1;
    texts_.setRunNumber(e.RunNumber);
    texts_.setDataFile(files.DataFileName);
}

void ExperimentController::NextDataFileName()
{
    DataFileNames& files = state_.files;
    files.DataFilePath = nextDataFilePath(files.DataFilePath, state_.experiment.RunNumber);
    saveDialog_.proposedName = files.DataFilePath;
    files.DataFileName = bareFileName(files.DataFilePath);
}

}  // namespace quelvar
