#include "app/About.h"

namespace quelvar {

TAboutBox::TAboutBox(QWidget* mainWindow) : QDialog(mainWindow)
{
    setWindowTitle(QStringLiteral("About"));
}

}  // namespace quelvar
