#include "cli/FitCommand.h"
#include "common/Version.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <iostream>
#include <memory>

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
    std::unique_ptr<QCoreApplication> app;
    if (options->plot) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    return quelvar::cli::runFit(*options, std::cout, std::cerr);
}
