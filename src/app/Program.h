#pragma once
// The running program: the shared state, the dialog service and the four
// windows, made in the order the program starts them. main() makes one; the
// desktop test makes one the same way and inspects it.
#include "analysis/AnalysisSession.h"
#include "app/About.h"
#include "app/AnalysisForm.h"
#include "app/Instructions.h"
#include "app/MainForm.h"
#include "app/QtDialogs.h"
#include "common/SharedState.h"

#include <memory>

namespace quelvar {

class Program {
public:
    // Needs a QApplication. `distablePath` is where the disturbance table is
    // read or made.
    explicit Program(const QString& distablePath = QString::fromLatin1(kDistableFileName));
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    TMainForm& mainWindow() { return mainWindow_; }
    TAnalysisForm& analysisWindow() { return analysisWindow_; }
    TAboutBox& aboutWindow() { return aboutWindow_; }
    TInstructForm& instructionsWindow() { return instructionsWindow_; }
    SharedState& state() { return *state_; }

private:
    std::unique_ptr<SharedState> state_;
    QtDialogs dialogs_;
    AnalysisSession session_;
    TMainForm mainWindow_;
    TAnalysisForm analysisWindow_;
    TAboutBox aboutWindow_;
    TInstructForm instructionsWindow_;
};

}  // namespace quelvar
