#include "cli/FitOutput.h"

#include "common/NativePath.h"

namespace quelvar::cli {
namespace {

// Back to the start of the line, and away with what is on it.
constexpr char kClearLine[] = "\r\x1b[K";

// Messages and names go out as the file system's bytes, so a name that is
// not UTF-8 reads on stderr as ls would show it.
std::string bytesOf(const QString& text) { return nativePath(text).toStdString(); }

}  // namespace

QString durationText(std::chrono::seconds duration)
{
    const long long total = duration.count() < 0 ? 0 : duration.count();
    const long long hours = total / 3600, minutes = total / 60 % 60, seconds = total % 60;
    if (hours > 0)
        return QStringLiteral("%1:%2:%3").arg(hours).arg(minutes, 2, 10, QLatin1Char('0')).arg(seconds, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(minutes).arg(seconds, 2, 10, QLatin1Char('0'));
}

FitOutput::FitOutput(std::ostream& out, std::ostream& err, std::size_t files, bool progress)
    : out_(out), err_(err), files_(files), progress_(progress)
{
    const std::lock_guard lock(mutex_);
    drawProgress();
}

FitOutput::~FitOutput()
{
    const std::lock_guard lock(mutex_);
    clearProgress();
}

void FitOutput::printHeader(const QString& header)
{
    const std::lock_guard lock(mutex_);
    clearProgress();
    out_ << header.toStdString() << "\n" << std::flush;
    drawProgress();
}

void FitOutput::done(std::size_t index, FileOutcome outcome)
{
    const std::lock_guard lock(mutex_);
    failed_ = failed_ || outcome.failed;
    waiting_.emplace(index, std::move(outcome));
    const std::size_t before = printed_;
    for (auto next = waiting_.find(printed_); next != waiting_.end(); next = waiting_.find(printed_)) {
        if (printed_ == before)
            clearProgress();
        print(next->second);
        waiting_.erase(next);
        ++printed_;
    }
    if (printed_ != before)
        drawProgress();
}

bool FitOutput::anyFailed() const
{
    const std::lock_guard lock(mutex_);
    return failed_;
}

void FitOutput::print(const FileOutcome& outcome)
{
    for (const QString& message : outcome.messages)
        err_ << bytesOf(outcome.file) << ": " << bytesOf(message) << "\n";
    err_.flush();
    // Flushed row by row: whatever stops the batch, the rows printed are whole.
    if (outcome.row)
        out_ << outcome.row->toStdString() << "\n" << std::flush;
}

void FitOutput::drawProgress()
{
    if (!progress_)
        return;
    const auto now = std::chrono::steady_clock::now();
    const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(now - start_);
    QString line = QStringLiteral("%1 of %2 files, %3 elapsed").arg(printed_).arg(files_).arg(durationText(elapsed));
    if (printed_ > 0 && printed_ < files_) {
        const auto left = std::chrono::duration_cast<std::chrono::seconds>(
            (now - start_) * static_cast<double>(files_ - printed_) / static_cast<double>(printed_));
        line += QStringLiteral(", about %1 left").arg(durationText(left));
    }
    err_ << kClearLine << line.toStdString() << std::flush;
}

void FitOutput::clearProgress()
{
    if (progress_)
        err_ << kClearLine << std::flush;
}

}  // namespace quelvar::cli
