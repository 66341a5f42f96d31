// Quelvar: pursuit tracking experiments and the fitting of a control model.
#include "app/CommandLine.h"
#include "app/Program.h"
#include "app/WindowSystem.h"
#include "app/WorkFolder.h"
#include "common/Version.h"

#include <QApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char** argv)
{
    using namespace quelvar;

    // Version and help are answered before Qt starts, so they work without a display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const StartOptions options = parseStartArguments(arguments);
    const QString desktopFolder = desktopWorkFolder(QDir::homePath());
    if (options.action == StartOptions::Action::PrintVersion) {
        std::printf("quelvar %s\n", kProgramVersion);
        return 0;
    }
    if (options.action == StartOptions::Action::PrintHelp) {
        std::fputs(startHelpText(QDir::toNativeSeparators(desktopFolder)).toLocal8Bit().constData(),
                   stdout);
        return 0;
    }

    requestPreferredPlatform();
    QApplication app(argc, argv);
    if (options.desktop) {
        QString problem;
        if (!enterWorkFolder(desktopFolder, &problem)) {
            std::fprintf(stderr, "quelvar: %s\n", problem.toLocal8Bit().constData());
            QtDialogs().error(problem);
            return 1;
        }
    }

    Program program;
    program.mainWindow().show();
    return app.exec();
}
