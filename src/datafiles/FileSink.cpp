#include "datafiles/FileSink.h"

#include "common/NativePath.h"

#include <QRandomGenerator>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

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
    : file_(path), native_(!qtCanName(path))
{
    error_.path = path;
    if (native_)
        nativeTarget_ = nativePath(path);
    // Writing in place can leave a half-written file behind on failure, so
    // it is only the fallback for a folder that refuses the temporary file
    // while the file itself may be written: losing the run would be worse.
    file_.setDirectWriteFallback(true);
}

FileSink::~FileSink() { cancelNative(); }

bool FileSink::open()
{
    if (failOpen) {
        fail(QStringLiteral("create"), QStringLiteral("Injected failure to open"));
        return false;
    }
    if (native_)
        return openNative();
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
    if (!(native_ ? fd_ >= 0 : file_.isOpen())) {
        fail(QStringLiteral("write"), QStringLiteral("Write to a file that is not open"));
        return false;
    }
    if (writeNumber == failWriteNumber) {
        fail(QStringLiteral("write"), QStringLiteral("Injected failure to write"));
        file_.cancelWriting();
        cancelNative();
        return false;
    }
    if (native_)
        return writeNative(data, size);
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
    if (native_)
        return commitNative();
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

bool FileSink::openNative()
{
    const qsizetype slash = nativeTarget_.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : nativeTarget_.left(slash + 1);
    // A fresh name made with O_EXCL, so no file of anyone else is touched.
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        nativeTemporary_ = folder + ".quelvar-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36)
                           + ".tmp";
        fd_ = ::open(nativeTemporary_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST)
            break;
    }
    if (fd_ < 0) {
        fail(QStringLiteral("create"), qt_error_string(errno));
        return false;
    }
    return true;
}

bool FileSink::writeNative(const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, static_cast<std::size_t>(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            fail(QStringLiteral("write"), qt_error_string(n < 0 ? errno : ENOSPC));
            cancelNative();
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

bool FileSink::commitNative()
{
    const auto failWith = [&](const QString& action, const QString& reason) {
        fail(action, reason);
        cancelNative();
        return false;
    };
    if (failed_ || fd_ < 0)
        return failWith(QStringLiteral("write"), QStringLiteral("Commit of a file that is not open"));
    if (failCommit)
        return failWith(QStringLiteral("replace"), QStringLiteral("Injected failure to commit"));
    if (::fsync(fd_) != 0 || ::close(std::exchange(fd_, -1)) != 0)
        return failWith(QStringLiteral("write"), qt_error_string(errno));
    if (::rename(nativeTemporary_.constData(), nativeTarget_.constData()) != 0)
        return failWith(QStringLiteral("replace"), qt_error_string(errno));
    nativeTemporary_.clear();
    return true;
}

void FileSink::cancelNative()
{
    if (fd_ >= 0)
        ::close(std::exchange(fd_, -1));
    if (!nativeTemporary_.isEmpty())
        ::unlink(std::exchange(nativeTemporary_, QByteArray()).constData());
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
