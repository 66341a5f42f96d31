#pragma once
// TAboutBox: the program's name, version and date.
#include <QDialog>

namespace quelvar {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    // Centred over `mainWindow` whenever it opens.
    explicit TAboutBox(QWidget* mainWindow);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* mainWindow_;
};

}  // namespace quelvar
