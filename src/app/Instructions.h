#pragma once
// TInstructForm: the user guide, shown read-only as rich text.
#include <QDialog>

namespace quelvar {

class Dialogs;

class TInstructForm : public QDialog {
    Q_OBJECT
public:
    // `dialogs` reports an error while loading the guide.
    TInstructForm(Dialogs& dialogs, QWidget* parent = nullptr);
};

}  // namespace quelvar
