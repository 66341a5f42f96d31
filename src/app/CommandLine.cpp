#include "app/CommandLine.h"

namespace quelvar {

StartOptions parseStartArguments(const QStringList& arguments)
{
    StartOptions options;
    for (const QString& arg : arguments) {
        // Qt takes the arguments after "--" as the program's own; there are none.
        if (arg == QLatin1String("--"))
            break;
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            options.action = StartOptions::Action::PrintHelp;
        else if (arg == QLatin1String("--version") && options.action == StartOptions::Action::Run)
            options.action = StartOptions::Action::PrintVersion;
        else if (arg == QLatin1String("--desktop"))
            options.desktop = true;
    }
    return options;
}

QString startHelpText(const QString& desktopFolder)
{
    return QStringLiteral(
               "Usage: quelvar [--desktop]\n"
               "       quelvar --version | --help\n"
               "\n"
               "Runs one-dimensional pursuit tracking experiments and fits a control model\n"
               "of the participant to each run, in one window.\n"
               "\n"
               "Started from a terminal, Quelvar works in the current folder. Started from the\n"
               "desktop menu, it works in %1, made when missing.\n"
               "Its working folder keeps the disturbance table \"Distable\": the 50 waveforms\n"
               "made on the first start there and read again on every later start, so runs\n"
               "started in the same folder use the same waveforms. Delete, rename or move\n"
               "the file to get a new set. The first save dialogs open in that folder too.\n"
               "\n"
               "  --desktop   work in %1 (made when missing) instead of the current\n"
               "              folder; the desktop menu starts Quelvar this way\n"
               "  --version   print the version and exit\n"
               "  --help      print this text and exit\n"
               "\n"
               "Qt's own options, such as -display, are read by Qt; any other argument is\n"
               "ignored. Batch fits of recorded runs: quelvar-fit --help.\n")
        .arg(desktopFolder);
}

}  // namespace quelvar
