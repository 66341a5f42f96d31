#pragma once
// TAnalysisForm: the analysis window, where a recorded or loaded run is
// compared with the control model. Created hidden at start-up and shown
// modally by "Analyze Data"; its routines also run while it is hidden.
#include <QDialog>

namespace quelvar {

class AnalysisSession;

class TAnalysisForm : public QDialog {
    Q_OBJECT
public:
    // Registers itself as the session's view and its graphs as the session's
    // graphs. `mainWindow` is the window it is centred over.
    TAnalysisForm(AnalysisSession& session, QWidget* mainWindow);
    ~TAnalysisForm() override;

signals:
    // FormClose: emitted whenever the window closes, by "End Analysis" or the close box.
    void analysisClosed();

private:
    struct Impl;
    Impl* d;
};

}  // namespace quelvar
