#include "datafiles/FileSink.h"

#include <atomic>
#include <cerrno>

namespace quelvar {
namespace {

// Sinks may write from several threads at once (quelvar-fit's workers), so
// the injected faults and the write count are atomics: every write gets a
// number of its own, and exactly one of them can be the Nth.
std::atomic<bool> failOpen{false};
std::atomic<int> failWriteNumber{0};
std::atomic<bool> failCommit{false};
std::atomic<int> writeCount{0};

// Qt reports a write that the system refused while flushing its buffer as
// "Unknown error"; the system's own reason is still in errno, set to 0 just
// before the call.
QString writeFailureReason(const QSaveFile& file)
{
    return errno != 0 ? qt_error_string(errno) : file.errorString();
}

void setFaults(const FileFaults& faults)
{
    failOpen = faults.failOpen;
    failWriteNumber = faults.failWriteNumber;
    failCommit = faults.failCommit;
    writeCount = 0;
}

}  // namespace

FileSink::FileSink(const QString& path)
    : file_(path)
{
    error_.path = path;
    // Writing in place can leave a half-written file behind on failure, so
    // it is only the fallback for a folder that refuses the temporary file
    // while the file itself may be written: losing the run would be worse.
    file_.setDirectWriteFallback(true);
}

bool FileSink::open()
{
    if (failOpen) {
        fail(QStringLiteral("create"), QStringLiteral("Injected failure to open"));
        return false;
    }
    if (!file_.open(QIODevice::WriteOnly)) {
        fail(QStringLiteral("create"), file_.errorString());
        return false;
    }
    return true;
}

bool FileSink::write(const QByteArray& bytes) { return write(bytes.constData(), bytes.size()); }

bool FileSink::write(const char* data, qint64 size)
{
    const int writeNumber = ++writeCount;
    if (failed_)
        return false;
    if (!file_.isOpen()) {
        fail(QStringLiteral("write"), QStringLiteral("Write to a file that is not open"));
        return false;
    }
    if (writeNumber == failWriteNumber) {
        fail(QStringLiteral("write"), QStringLiteral("Injected failure to write"));
        file_.cancelWriting();
        return false;
    }
    errno = 0;
    if (file_.write(data, size) != size) {
        fail(QStringLiteral("write"), writeFailureReason(file_));
        file_.cancelWriting();
        return false;
    }
    return true;
}

bool FileSink::commit()
{
    if (failed_ || !file_.isOpen()) {
        if (file_.isOpen())
            file_.cancelWriting();
        if (!failed_)
            fail(QStringLiteral("write"), QStringLiteral("Commit of a file that is not open"));
        return false;
    }
    if (failCommit) {
        file_.cancelWriting();
        fail(QStringLiteral("replace"), QStringLiteral("Injected failure to commit"));
        return false;
    }
    // Writes sit in a buffer until here. A flush that fails while commit()
    // closes the file is not counted as a write error by QSaveFile, which
    // would then put a cut-off file in place; flushing first catches it.
    errno = 0;
    if (!file_.flush()) {
        fail(QStringLiteral("write"), writeFailureReason(file_));
        file_.cancelWriting();
        return false;
    }
    if (!file_.commit()) {
        fail(QStringLiteral("replace"), file_.errorString());
        return false;
    }
    return true;
}

void FileSink::fail(const QString& action, const QString& reason)
{
    // The first failure is the one to report; later ones follow from it.
    if (!failed_) {
        error_.action = action;
        error_.reason = reason;
    }
    failed_ = true;
}

void FileSink::injectFaults(const FileFaults& faults) { setFaults(faults); }

void FileSink::clearFaults() { setFaults(FileFaults{}); }

int FileSink::writesSinceReset() { return writeCount; }

FileResult writeFileAtomically(const QString& path, const QByteArray& content)
{
    FileSink sink(path);
    if (sink.open() && sink.write(content) && sink.commit())
        return std::nullopt;
    return sink.error();
}

}  // namespace quelvar
