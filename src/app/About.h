#pragma once
// TAboutBox: the program's name, version and date.
#include <QDialog>

namespace quelvar {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* mainWindow);
};

}  // namespace quelvar
