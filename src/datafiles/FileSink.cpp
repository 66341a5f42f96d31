#include "datafiles/FileSink.h"

#include "common/NativePath.h"

#include <QRandomGenerator>
#include <atomic>
#include <cerrno>
#include <cstring>
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
        failed_ = true;
        error_ = QStringLiteral("Injected failure to open");
        return false;
    }
    if (native_)
        return openNative();
    if (!file_.open(QIODevice::WriteOnly)) {
        failed_ = true;
        error_ = file_.errorString();
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
        failed_ = true;
        error_ = QStringLiteral("Write to a file that is not open");
        return false;
    }
    if (writeNumber == failWriteNumber) {
        failed_ = true;
        error_ = QStringLiteral("Injected failure to write");
        file_.cancelWriting();
        cancelNative();
        return false;
    }
    if (native_)
        return writeNative(data, size);
    if (file_.write(data, size) != size) {
        failed_ = true;
        error_ = file_.errorString();
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
        if (error_.isEmpty())
            error_ = QStringLiteral("Commit of a file that is not open");
        failed_ = true;
        return false;
    }
    if (failCommit) {
        file_.cancelWriting();
        failed_ = true;
        error_ = QStringLiteral("Injected failure to commit");
        return false;
    }
    // Writes sit in a buffer until here. A flush that fails while commit()
    // closes the file is not counted as a write error by QSaveFile, which
    // would then put a cut-off file in place; flushing first catches it.
    if (!file_.flush()) {
        failed_ = true;
        error_ = file_.errorString();
        file_.cancelWriting();
        return false;
    }
    if (!file_.commit()) {
        failed_ = true;
        error_ = file_.errorString();
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
        failed_ = true;
        error_ = QString::fromLocal8Bit(std::strerror(errno));
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
            failed_ = true;
            error_ = QString::fromLocal8Bit(std::strerror(n < 0 ? errno : ENOSPC));
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
    const auto fail = [&](const QString& reason) {
        failed_ = true;
        if (error_.isEmpty())
            error_ = reason;
        cancelNative();
        return false;
    };
    if (failed_ || fd_ < 0)
        return fail(QStringLiteral("Commit of a file that is not open"));
    if (failCommit)
        return fail(QStringLiteral("Injected failure to commit"));
    if (::fsync(fd_) != 0 || ::close(std::exchange(fd_, -1)) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    if (::rename(nativeTemporary_.constData(), nativeTarget_.constData()) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
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

void FileSink::injectFaults(const FileFaults& faults) { setFaults(faults); }

void FileSink::clearFaults() { setFaults(FileFaults{}); }

int FileSink::writesSinceReset() { return writeCount; }

bool writeFileAtomically(const QString& path, const QByteArray& content, QString* reason)
{
    FileSink sink(path);
    const bool ok = sink.open() && sink.write(content) && sink.commit();
    if (!ok && reason)
        *reason = sink.errorString();
    return ok;
}

}  // namespace quelvar
