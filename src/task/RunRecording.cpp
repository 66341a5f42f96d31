#include "task/RunRecording.h"

#include "analysis/AnalysisSession.h"
#include "common/Dialogs.h"
#include "common/Rounding.h"
#include "datafiles/DataFile.h"
#include "task/DisturbFR.h"
#include "task/MainViewTexts.h"
#include "task/RunTimingReport.h"

namespace quelvar {
namespace {

// Rows further than this outside the display draw nothing visible anyway
// (a shape is 10 pixels high at scale 1).
constexpr std::int64_t kRowMargin = 1000;

}  // namespace

int rowForPosition(double value, int height, std::int32_t displayScale)
{
    const std::int64_t half = height / 2;
    const std::int64_t offset = roundHalfEvenClamped(double(height) * value / double(displayScale),
                                                     -(height + kRowMargin), height + kRowMargin);
    return static_cast<int>(half - offset);
}

double positionForRow(int y, int height, std::int32_t displayScale)
{
    if (height <= 0)
        return 0.0;
    // The product is taken in 64 bits: the pointer can report rows far
    // outside the widget while a button is held.
    const std::int64_t n = (std::int64_t(height / 2) - y) * std::int64_t(displayScale);
    double value = double(n) / double(height);
    if (value > 500.0)
        value = 500.0;
    else if (value < -500.0)
        value = -500.0;
    return value;
}

RunRecording::RunRecording(SharedState& state, const TDisturb& table, MainViewTexts& texts,
                           Dialogs& dialogs, AnalysisSession& session)
    : state_(state), table_(table), texts_(texts), dialogs_(dialogs), session_(session)
{
    resizeBitmap(QSize(300, 200));
}

RunRecording::~RunRecording()
{
    if (canvas_.isActive())
        canvas_.end();
}

void RunRecording::resizeBitmap(QSize size)
{
    if (canvas_.isActive())
        canvas_.end();
    bitmap_ = QImage(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    // One painter stays open on the bitmap for its whole life, so a frame
    // neither builds a painter nor allocates.
    canvas_.begin(&bitmap_);
    canvas_.setRenderHint(QPainter::Antialiasing, false);
    canvas_.setBrush(QColor::fromRgb(clBlack));
    canvas_.setPen(QColor::fromRgb(clBlack));
    fillBlack();
}

void RunRecording::initializeTarget()
{
    target_.Initialize(bitmap_.width() / 2, bitmap_.height() / 2, 1, clRed, clLime);
}

void RunRecording::fillBlack()
{
    canvas_.fillRect(QRect(0, 0, bitmap_.width(), bitmap_.height()), canvas_.brush().color());
}

void RunRecording::clearAndShow()
{
    fillBlack();
    texts_.view().showTargetDisplay(bitmap_);
}

void RunRecording::TargetPaintMouseMove(int y)
{
    MouseValue = positionForRow(y, bitmap_.height(), state_.experiment.DisplayScale);
}

void RunRecording::DrawFrame()
{
    ExperimentState& e = state_.experiment;
    fillBlack();
    if (e.TablePosition < 1 || e.TablePosition > kTablePositions)
        e.TablePosition = 1;
    TargetValue = table_.at(e.Difficulty, e.DisturbanceNumber, e.TablePosition);
    ++e.TablePosition;
    if (e.TablePosition > kTablePositions)
        e.TablePosition = 1;
    const int h = bitmap_.height();
    target_.DrawTarget(rowForPosition(TargetValue, h, e.DisplayScale), canvas_);
    target_.DrawCursor(rowForPosition(MouseValue, h, e.DisplayScale), canvas_);
    texts_.view().showTargetDisplay(bitmap_);
}

void RunRecording::RecordFrame()
{
    ExperimentState& e = state_.experiment;
    ++e.FrameCounter;
    if (timing_)
        timing_->noteFrame(e.FrameCounter, e.LastFrameTime, e.LastFrameWallClock);  // the wait that ended before this frame
    texts_.setElapsedSeconds(roundHalfEven(double(e.FrameCounter) / 60.0));
    if (e.FrameCounter == 0)
        texts_.setStatus(kStatusRecording, clLime);
    if (e.FrameCounter > 0 && e.FrameCounter <= kRunFrames) {
        const auto i = static_cast<std::size_t>(e.FrameCounter);
        state_.run.Target[i] = TargetValue;
        state_.run.Mouse[i] = MouseValue;
        state_.run.Error[i] = TargetValue - MouseValue;
    }
    if (e.FrameCounter >= kRunFrames)
        endRun();
}

void RunRecording::endRun()
{
    ExperimentState& e = state_.experiment;
    e.FrameCounter = -e.LeadInFrames;
    e.Recording = false;
    e.RunAvailable = true;
    const bool written = WriteDataFile();
    if (timing_)
        timing_->finishRun(written, bitmap_.size());
    // Without a recording target the parameter file would replace the one
    // beside a file the user refused to overwrite or opened for analysis.
    if (e.MultiRun && state_.files.hasRecordingTarget())
        session_.FitAndSaveAfterRun(e.Difficulty, e.DisturbanceNumber);
    if (e.MultiRun && e.RunNumber < e.RunCount) {
        e.State = NextRun;
    } else {
        e.State = Blank;
        texts_.setStatus(kStatusIdle, clYellow);
    }
}

bool RunRecording::WriteDataFile()
{
    const ExperimentState& e = state_.experiment;
    DataFileNames& files = state_.files;
    // An empty bare name means the user refused to overwrite the file the
    // path still points at, and a name not chosen for recording came from
    // the analysis window: neither file may be replaced behind their back.
    const QString ioError = QStringLiteral("File I/O error.");
    if (!files.hasRecordingTarget()) {
        dialogs_.error(ioError);
        return false;
    }
    const FileResult written = writeDataFile(files.DataFilePath, e.Difficulty, e.DisturbanceNumber, state_.run);
    if (!written.ok()) {
        dialogs_.fileFailed(Dialogs::Box::Error, ioError, *written);
        return false;
    }
    texts_.setDataFile(files.DataFileName);
    // The file now holds this run: replacing it again needs a new Yes.
    files.ReplaceAgreed.removeAll(files.DataFilePath);
    return true;
}

}  // namespace quelvar
