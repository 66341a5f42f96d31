#include "datafiles/FileSink.h"

#include <atomic>

namespace quelvar {
namespace {

FileFaults injected;
// Files may be written from more than one thread at a time.
std::atomic<int> writeCount = 0;

}  // namespace

FileSink::FileSink(const QString& path)
    : file_(path)
{
    // Writing in place can leave a half-written file behind on failure, so
    // it is only the fallback for a folder that refuses the temporary file
    // while the file itself may be written: losing the run would be worse.
    file_.setDirectWriteFallback(true);
}

bool FileSink::open()
{
    if (injected.failOpen) {
        failed_ = true;
        error_ = QStringLiteral("Injected failure to open");
        return false;
    }
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
    const int number = ++writeCount;
    if (failed_)
        return false;
    if (!file_.isOpen()) {
        failed_ = true;
        error_ = QStringLiteral("Write to a file that is not open");
        return false;
    }
    if (injected.failWriteNumber == number) {
        failed_ = true;
        error_ = QStringLiteral("Injected failure to write");
        file_.cancelWriting();
        return false;
    }
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
    if (failed_ || !file_.isOpen()) {
        if (file_.isOpen())
            file_.cancelWriting();
        if (error_.isEmpty())
            error_ = QStringLiteral("Commit of a file that is not open");
        failed_ = true;
        return false;
    }
    if (injected.failCommit) {
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

void FileSink::injectFaults(const FileFaults& faults)
{
    injected = faults;
    writeCount = 0;
}

void FileSink::clearFaults()
{
    injected = FileFaults{};
    writeCount = 0;
}

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
