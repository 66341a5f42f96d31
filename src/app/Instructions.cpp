#include "app/Instructions.h"

#include "common/Dialogs.h"

namespace quelvar {

TInstructForm::TInstructForm(Dialogs&, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Instructions"));
}

}  // namespace quelvar
