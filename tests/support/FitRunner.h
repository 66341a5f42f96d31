#pragma once
// The real quelvar-fit on files a test writes, and a run it fits exactly.
#include "common/RunRecord.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <cmath>
#include <gtest/gtest.h>

namespace quelvar::test {

struct FitResult {
    int status = -1;
    QString out;
    QString err;
};

// Runs quelvar-fit with `arguments` (in `workingDir` when given); `program`
// replaces the program, for running it through another (prlimit, sh).
inline FitResult runFitProgram(const QStringList& arguments, const QString& workingDir = QString(),
                               const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
                               const QString& program = QStringLiteral(QUELVAR_FIT_BINARY))
{
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!workingDir.isEmpty())
        process.setWorkingDirectory(workingDir);
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60000)) << "quelvar-fit did not end";
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

// A run whose mouse was produced by the model itself (delay 3 frames, gain
// 5.0, damping 0.1, reference 0) following a smooth target.
inline RunRecord modelGeneratedRun()
{
    RunRecord run;
    const int delay = 3;
    const double gain = 5.0, damping = 0.1;
    double output = 0.0;
    double perceptions[3601] = {};
    for (int i = 1; i <= kRunFrames; ++i) {
        const double target = 300.0 * std::sin(2 * M_PI * i / 900.0) + 100.0 * std::sin(2 * M_PI * i / 170.0);
        perceptions[i] = output - target;
        const double delayed = i - delay >= 1 ? perceptions[i - delay] : 0.0;
        output = output + (gain * (0.0 - delayed) - damping * output) / 60.0;
        run.Target[i] = target;
        run.Mouse[i] = output;
    }
    return run;
}

}  // namespace quelvar::test
