#pragma once
// Helpers for tests that write and read real files in a temporary folder.
#include "common/FileError.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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

}  // namespace quelvar::test
