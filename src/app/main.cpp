// Quelvar: pursuit tracking experiments and the fitting of a control model.
#include "analysis/AnalysisForm.h"
#include "analysis/AnalysisSession.h"
#include "app/About.h"
#include "app/Instructions.h"
#include "app/MainForm.h"
#include "app/QtDialogs.h"
#include "common/SharedState.h"

#include <QApplication>
#include <memory>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    using namespace quelvar;

    auto state = std::make_unique<SharedState>();
    QtDialogs dialogs;
    AnalysisSession session(*state, dialogs);

    TMainForm mainWindow(*state, dialogs, session);
    dialogs.setParentWindow(&mainWindow);
    dialogs.setModalHooks(&mainWindow.frameLoop());
    TAnalysisForm analysisWindow(session, &mainWindow);
    TAboutBox aboutWindow(&mainWindow);
    TInstructForm instructionsWindow(dialogs, &mainWindow);
    mainWindow.setWindows(&analysisWindow, &aboutWindow, &instructionsWindow);
    QObject::connect(&analysisWindow, &TAnalysisForm::analysisClosed, &mainWindow,
                     &TMainForm::AnalysisFormClosed);

    mainWindow.show();
    return app.exec();
}
