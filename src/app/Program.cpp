#include "app/Program.h"

#include "app/CaptionFit.h"

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
    for (QWidget* window : std::initializer_list<QWidget*>{&mainWindow_, &analysisWindow_, &aboutWindow_,
                                                          &instructionsWindow_})
        fitCaptions(window);
}

}  // namespace quelvar
