#include "cli/FitCommand.h"
#include "common/Version.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <iostream>
#include <memory>
#include <optional>

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    QString problem;
    auto info = quelvar::cli::InfoRequest::None;
    const auto options = quelvar::cli::parseArguments(arguments, &problem, &info);
    if (info == quelvar::cli::InfoRequest::Help) {
        std::cout << quelvar::cli::usageText().toStdString();
        return 0;
    }
    if (info == quelvar::cli::InfoRequest::Version) {
        std::cout << "quelvar-fit " << quelvar::kProgramVersion << "\n";
        return 0;
    }
    if (!options) {
        std::cerr << "quelvar-fit: " << problem.toStdString() << "\n"
                  << quelvar::cli::usageText().toStdString();
        return 2;
    }

    // Plots draw text, which needs the font database of a GUI application;
    // no display is needed for drawing into images.
    //
    // Without a login session (cron, sudo, containers, ssh) there is no
    // runtime folder, and Qt warns about that on standard error, which is
    // kept for the files that fail. Drawing needs nothing from such a folder:
    // a private one, removed at the end, stands in for it.
    std::optional<QTemporaryDir> runtimeFolder;
    std::unique_ptr<QCoreApplication> app;
    if (options->plot) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
            runtimeFolder.emplace();
            if (runtimeFolder->isValid())
                qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeFolder->path()));
        }
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    return quelvar::cli::runFit(*options, std::cout, std::cerr);
}
