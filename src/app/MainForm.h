#pragma once
// TMainForm: the experimenter's and participant's console. Control panel,
// target display, data recorder and run settings, scaled to the screen and
// maximised; it runs the experiment controller from its frame loop.
#include "app/FrameLoop.h"
#include "app/FrameThreadPriority.h"
#include "app/MainWindowTiming.h"
#include "task/ExperimentController.h"
#include "task/FrameClock.h"
#include "task/MainView.h"

#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>

class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quelvar {

class AnalysisSession;
class Dialogs;
class UpDown;

// The target display: copies the off-screen bitmap and reports every mouse
// move, pressed button or not.
class TargetPaintBox : public QWidget {
public:
    explicit TargetPaintBox(QWidget* parent);
    void setBitmap(const QImage* bitmap) { bitmap_ = bitmap; }
    void setMouseMove(std::function<void(int)> handler) { mouseMove_ = std::move(handler); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    const QImage* bitmap_ = nullptr;
    std::function<void(int)> mouseMove_;
};

class TMainForm : public QWidget, public MainView {
    Q_OBJECT
public:
    // Creation: controls, scaling, maximising, the task's start-up reset with
    // the table file at `distablePath`, then the frame loop, from the moment
    // the window is placed on the screen, when this thread also asks for
    // real-time scheduling (unless `startFrames` is false, for tests and
    // benchmarks that step the controller themselves).
    TMainForm(SharedState& state, Dialogs& dialogs, AnalysisSession& session,
              const QString& distablePath = QString::fromLatin1(kDistableFileName),
              bool startFrames = true);
    ~TMainForm() override;

    // The windows the buttons open, created after this one.
    void setWindows(QDialog* analysis, QDialog* about, QDialog* instructions);

    ExperimentController& controller() { return controller_; }
    FrameLoop& frameLoop() { return loop_; }
    double scaleFactor() const { return factor_; }

    // MainView
    void setStatus(const QString& text, QRgb color) override;
    void setElapsedTimeText(std::string_view text) override;
    void setRunNumberText(std::string_view text) override;
    void setDataFileText(const QString& text) override;
    QSize layOutForStart() override;
    void showTargetDisplay(const QImage& bitmap) override;

public slots:
    void CollectDataBtnClick();
    void AnalyzeBtnClick();
    void InstructionBtnClick();
    void AboutBtnClick();
    void ExitBtnClick();
    void StartBtnClick();
    void AbortBtnClick();
    void AnalysisFormClosed();

private:
    void createControls();
    QWidget* place(QWidget* control, int left, int top, int width, int height);
    QLabel* label(QWidget* parent, const QString& text, int left, int top);
    QGroupBox* groupBox(QWidget* parent, const QString& title, int left, int top, int width, int height);
    QPushButton* button(QWidget* parent, const QString& text, int left, int top, int width, int height);
    QLineEdit* edit(QWidget* parent, int left, int top, int width, int height, bool readOnly);
    UpDown* spinner(QWidget* parent, QLineEdit* buddy, int left, int top, int min, int max, int step,
                    int position);

    double factor_ = 1.0;
    MonotonicFrameClock clock_;
    ExperimentController controller_;
    MainWindowTiming timingView_{this};
    FrameThreadPriority priority_;
    FrameLoop loop_;

    QDialog* analysisWindow_ = nullptr;
    QDialog* aboutWindow_ = nullptr;
    QDialog* instructionsWindow_ = nullptr;

public:
    // Controls, named as in the window's design.
    QWidget* MainPanel = nullptr;
    QGroupBox* ControlPanel = nullptr;
    QGroupBox* DataOptionsBox = nullptr;
    QPushButton* CollectDataBtn = nullptr;
    QPushButton* AnalyzeBtn = nullptr;
    QGroupBox* ProgramBox = nullptr;
    QPushButton* InstructionBtn = nullptr;
    QPushButton* AboutBtn = nullptr;
    QPushButton* ExitBtn = nullptr;
    QGroupBox* TargetBox = nullptr;
    TargetPaintBox* TargetPaint = nullptr;
    QGroupBox* RecordBox = nullptr;
    QPushButton* StartBtn = nullptr;
    QPushButton* AbortBtn = nullptr;
    QLineEdit* Status = nullptr;
    QLineEdit* ETCounter = nullptr;
    QLineEdit* CurrentRunEdit = nullptr;
    QLineEdit* SaveDataEdit = nullptr;
    QGroupBox* RunSettingsBox = nullptr;
    QLineEdit* DiffEdit = nullptr;
    UpDown* DiffUpDown = nullptr;
    QLineEdit* DisturbEdit = nullptr;
    UpDown* DisturbUpDown = nullptr;
    QLineEdit* NRunsEdit = nullptr;
    UpDown* NRunsUpDown = nullptr;
    QLineEdit* IRIEdit = nullptr;
    UpDown* IRIUpDown = nullptr;
};

}  // namespace quelvar
