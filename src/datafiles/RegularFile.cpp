#include "datafiles/RegularFile.h"

#include "common/NativePath.h"

#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quelvar {
namespace {

// Qt's wording, as the files written through Qt report theirs.
QString systemReason(int error) { return qt_error_string(error); }

}  // namespace

FileResult readRegularFile(const QString& path, qint64 maxBytes, QByteArray& bytes, bool* missing)
{
    bytes.clear();
    if (missing)
        *missing = false;
    const auto failure = [&](const QString& reason) { return FileError{QStringLiteral("read"), path, reason}; };
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    const int fd = ::open(nativePath(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        if (missing)
            *missing = error == ENOENT || error == ENOTDIR;
        return failure(systemReason(error));
    }
    struct stat info {};
    FileResult result;
    if (::fstat(fd, &info) != 0) {
        result = failure(systemReason(errno));
    } else if (!S_ISREG(info.st_mode)) {
        result = failure(QStringLiteral("it is not a regular file"));
    } else {
        // The size seen may change while reading; never read more than the cap.
        const qint64 limit = maxBytes + 1;
        bytes.resize(std::min<qint64>(info.st_size + 1, limit));
        qint64 total = 0;
        while (result.ok() && total < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + total, static_cast<std::size_t>(bytes.size() - total));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                result = failure(systemReason(errno));
            if (n <= 0)
                break;
            total += n;
            if (total == bytes.size() && total < limit)
                bytes.resize(std::min(total * 2, limit));
        }
        if (result.ok() && total > maxBytes)
            result = failure(QStringLiteral("it is larger than %1 bytes").arg(maxBytes));
        bytes.resize(result.ok() ? total : 0);
    }
    ::close(fd);
    return result;
}

bool anythingAt(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

FileResult makeFolders(const QString& path)
{
    const QByteArray native = nativePath(path);
    for (qsizetype end = 1; end <= native.size(); ++end) {
        if (end < native.size() && native[end] != '/')
            continue;
        const QByteArray folder = native.left(end);
        if (::mkdir(folder.constData(), 0777) != 0 && errno != EEXIST)
            return FileError{QStringLiteral("create folder"), path, systemReason(errno)};
    }
    struct stat info {};
    if (::stat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return FileError{QStringLiteral("create folder"), path, QStringLiteral("it is not a folder")};
    return std::nullopt;
}

}  // namespace quelvar
