#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <dirent.h>
#include <unistd.h>
#include <stdexcept>

namespace quelvar::test {

TempFolder::TempFolder()
{
    if (!dir_.isValid())
        throw std::runtime_error("cannot create a temporary folder");
}

TempFolder::~TempFolder()
{
    // Qt neither lists nor removes names that are not UTF-8; the folder
    // would stay behind.
    const QByteArray folder = QFile::encodeName(dir_.path());
    if (DIR* d = ::opendir(folder.constData())) {
        while (const dirent* entry = ::readdir(d)) {
            const QByteArray name(entry->d_name);
            if (QFile::encodeName(QFile::decodeName(name)) != name)
                ::unlink((folder + '/' + name).constData());
        }
        ::closedir(d);
    }
}

QString TempFolder::path(const QString& name) const { return dir_.filePath(name); }

QStringList TempFolder::files() const
{
    return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return file.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

::testing::AssertionResult fileOk(const FileResult& result)
{
    if (result.ok())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << result->message().toStdString();
}

}  // namespace quelvar::test
