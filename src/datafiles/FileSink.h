#pragma once
// Writes one file atomically: the content goes to a temporary file that
// replaces the target only when every write and the commit succeeded, so a
// failed write leaves any earlier file intact and no partial file behind.
// Only where the folder refuses a temporary file but the file itself is
// writable does the content go into the file in place.
// It is also the test seam for injected failures: a test can make the open,
// the Nth write or the commit fail.
#include "common/FileError.h"

#include <QByteArray>
#include <QSaveFile>
#include <QString>

namespace quelvar {

// Failures to inject into the next FileSink operations (tests only).
struct FileFaults {
    bool failOpen = false;
    int failWriteNumber = 0;   // 1 = the first write() fails; 0 = none
    bool failCommit = false;
};

class FileSink {
public:
    explicit FileSink(const QString& path);
    ~FileSink();
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    bool open();
    bool write(const QByteArray& bytes);
    bool write(const char* data, qint64 size);
    // Flushes and renames into place; false if anything failed before.
    bool commit();

    // The system's reason for the first failure ("" when none).
    QString errorString() const { return error_.reason; }
    // The first failure: what could not be done to which file, and why.
    FileError error() const { return error_; }

    // Test seam: faults for the sinks created from now on, until cleared.
    static void injectFaults(const FileFaults& faults);
    static void clearFaults();
    // Number of write() calls made by sinks since the last injectFaults/clearFaults.
    static int writesSinceReset();

private:
    // Names Qt cannot spell (see common/NativePath.h) are written by their
    // bytes: a temporary file of a fresh name in the same folder, synced and
    // then renamed onto the name.
    bool openNative();
    bool writeNative(const char* data, qint64 size);
    bool commitNative();
    void cancelNative();

    void fail(const QString& action, const QString& reason);

    QSaveFile file_;
    FileError error_;
    bool failed_ = false;
    bool native_ = false;
    int fd_ = -1;
    QByteArray nativeTarget_, nativeTemporary_;
};

// Writes the whole of `content` to `path` through one FileSink.
FileResult writeFileAtomically(const QString& path, const QByteArray& content);

}  // namespace quelvar
