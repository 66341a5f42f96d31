#pragma once
// quelvar's command line. The program takes no input from it: it only
// prints its version or its help, or is told that the desktop menu started
// it, which moves its work into a folder of the user's own.
#include <QString>
#include <QStringList>

namespace quelvar {

struct StartOptions {
    enum class Action { Run, PrintVersion, PrintHelp };
    Action action = Action::Run;
    bool desktop = false;  // --desktop: work in the desktop folder, not the current one
};

// The arguments without the program name. Anything the program does not know
// is left to Qt, which reads its own options (such as -display) and ignores
// the rest, so no other argument changes what the program does.
StartOptions parseStartArguments(const QStringList& arguments);

// `desktopFolder` is shown as the folder --desktop works in.
QString startHelpText(const QString& desktopFolder);

}  // namespace quelvar
