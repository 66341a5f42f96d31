#include "app/Program.h"

namespace quelvar {

Program::Program(const QString& distablePath)
    : state_(std::make_unique<SharedState>()),
      session_(*state_, dialogs_),
      mainWindow_(*state_, dialogs_, session_, distablePath),
      analysisWindow_(session_, &mainWindow_),
      aboutWindow_(&mainWindow_),
      instructionsWindow_(dialogs_, &mainWindow_)
{
    dialogs_.setParentWindow(&mainWindow_);
    dialogs_.setModalHooks(&mainWindow_.frameLoop());
    mainWindow_.setWindows(&analysisWindow_, &aboutWindow_, &instructionsWindow_);
    QObject::connect(&analysisWindow_, &TAnalysisForm::analysisClosed, &mainWindow_,
                     &TMainForm::AnalysisFormClosed);
}

}  // namespace quelvar
