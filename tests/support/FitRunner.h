#pragma once
// Runs the real quelvar-fit and collects what it printed.
#include <QProcess>
#include <QString>
#include <gtest/gtest.h>

namespace quelvar::test {

struct FitRun {
    int status = -1;
    QString out;
    QString err;
};

inline FitRun runQuelvarFit(const QStringList& arguments, const QString& workingDir = QString(),
                            const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!workingDir.isEmpty())
        process.setWorkingDirectory(workingDir);
    process.start(QStringLiteral(QUELVAR_FIT_BINARY), arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace quelvar::test
