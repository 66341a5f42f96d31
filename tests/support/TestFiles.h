#pragma once
// Helpers for tests that write and read real files in a temporary folder.
#include "common/FileError.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace quelvar::test {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    QString path(const QString& name) const;  // full path of `name` inside the folder
    QString root() const { return dir_.path(); }
    QStringList files() const;  // every file in it, hidden ones too, by name

private:
    QTemporaryDir dir_;
};

QByteArray readAll(const QString& path);
void writeAll(const QString& path, const QByteArray& bytes);

// For EXPECT_TRUE / EXPECT_FALSE on a file operation; a failure that was not
// expected shows its message.
::testing::AssertionResult fileOk(const FileResult& result);

// Runs `write` while this process may not write past `bytes` into any file:
// such writes fail with EFBIG, as on a disk that filled up.
template <class Write>
FileResult withFileSizeLimit(rlim_t bytes, Write write)
{
    rlimit previous{};
    EXPECT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = previous;
    limit.rlim_cur = bytes;
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const FileResult result = write();
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
    return result;
}

}  // namespace quelvar::test
