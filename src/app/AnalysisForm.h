#pragma once
// TAnalysisForm: the analysis window, where a recorded or loaded run is
// compared with the control model. Created hidden at start-up and shown
// modally by "Analyze Data"; its routines also run while it is hidden.
//
// Its controls carry the object names of the design (OpenBtn, RunPaintBox,
// InDelayUpDown, ...), so tests and tools can find them.
#include <QDialog>

namespace quelvar {

class AnalysisSession;

// Screen height / 768: the factor the window's design sizes are scaled by.
double analysisScaleRatio(int screenHeight);

// A design-size length or position at `ratio`, rounded to whole pixels.
int scaledPixels(int designPixels, double ratio);

class TAnalysisForm : public QDialog {
    Q_OBJECT
public:
    // Registers itself as the session's view and its graphs as the session's
    // graphs. `mainWindow` is the window it is centred over. `scaleRatio`
    // overrides the screen's ratio when positive (tests, benchmarks).
    TAnalysisForm(AnalysisSession& session, QWidget* mainWindow, double scaleRatio = 0.0);
    ~TAnalysisForm() override;

    // Closing by any means (End Analysis, the close box, Escape) ends here.
    void done(int result) override;

signals:
    // FormClose: emitted whenever the window closes, by "End Analysis" or the close box.
    void analysisClosed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Impl;
    Impl* d;
};

}  // namespace quelvar
