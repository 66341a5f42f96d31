#pragma once
// Helpers for tests that write and read real files in a temporary folder.
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace quelvar::test {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    QString path(const QString& name) const;  // full path of `name` inside the folder
    QString root() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

QByteArray readAll(const QString& path);
void writeAll(const QString& path, const QByteArray& bytes);

}  // namespace quelvar::test
