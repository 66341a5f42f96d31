#include "app/MainForm.h"

#include "app/MainLayout.h"
#include "app/PlacementWatch.h"
#include "app/UpDown.h"
#include "common/Dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <cmath>

namespace quelvar {
namespace {

constexpr int kDesignedClientWidth = 1221;
constexpr int kDesignedClientHeight = 585;
constexpr int kMinimumWidth = 780;
constexpr int kMinimumHeight = 612;
constexpr int kFontPixels = 13;

void setBackground(QWidget* widget, QRgb color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(color));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

}  // namespace

TargetPaintBox::TargetPaintBox(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    // Every pixel comes from the bitmap: nothing to erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void TargetPaintBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (bitmap_)
        painter.drawImage(0, 0, *bitmap_);
    else
        painter.fillRect(rect(), Qt::black);
}

void TargetPaintBox::mouseMoveEvent(QMouseEvent* event)
{
    if (mouseMove_)
        mouseMove_(static_cast<int>(std::floor(event->position().y())));
}

TMainForm::TMainForm(SharedState& state, Dialogs& dialogs, AnalysisSession& session,
                     const QString& distablePath, bool startFrames)
    : controller_(state, *this, dialogs, session, clock_),
      priority_([this](const SchedulingFacts& facts) {
          controller_.timing().setScheduling(facts);
          timingView_.showScheduling(facts);
      }),
      loop_([this] {
          controller_.ApplicationIdle();
          priority_.afterPass();
      }, this)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Quelvar"));
    controller_.timing().setView(&timingView_);

    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->size() : QSize(1024, 768);
    factor_ = scaleFactorForScreen(screenSize.width(), screenSize.height());

    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(scaledLength(kFontPixels, factor_));
    setFont(font);
    setBackground(this, clMoneyGreen);
    createControls();

    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    resize(QSize(scaledLength(kDesignedClientWidth, factor_), scaledLength(kDesignedClientHeight, factor_))
               .boundedTo(available.size()));
    move(available.center() - rect().center());
    // Without a window manager a maximise request does nothing; taking the
    // work area first gives the same window either way.
    setGeometry(available);
    setWindowState(Qt::WindowMaximized);

    controller_.InitExperiment(distablePath);
    controller_.StartPacing();
    // The first pass lays the window out for its client area, which is only
    // known once the window manager has maximised the window. The minimum
    // size waits for that too: on a wide screen the scaled minimum is as high
    // as the work area, which would leave the window manager no room for the
    // title bar and push the window's bottom off the screen.
    const QSize minimum(scaledLength(kMinimumWidth, factor_), scaledLength(kMinimumHeight, factor_));
    new PlacementWatch(this, [this, minimum, startFrames] {
        setMinimumSize(minimum.boundedTo(size()));
        if (startFrames) {
            loop_.start();
            priority_.request();
        }
    }, this);
}

TMainForm::~TMainForm()
{
    loop_.stop();
}

void TMainForm::setWindows(QDialog* analysis, QDialog* about, QDialog* instructions)
{
    analysisWindow_ = analysis;
    aboutWindow_ = about;
    instructionsWindow_ = instructions;
}

QWidget* TMainForm::place(QWidget* control, int left, int top, int width, int height)
{
    control->setGeometry(scaledRect(left, top, width, height, factor_));
    return control;
}

QLabel* TMainForm::label(QWidget* parent, const QString& text, int left, int top)
{
    auto* l = new QLabel(text, parent);
    l->adjustSize();
    l->move(scaledLength(left, factor_), scaledLength(top, factor_));
    return l;
}

QGroupBox* TMainForm::groupBox(QWidget* parent, const QString& title, int left, int top, int width,
                               int height)
{
    auto* box = new QGroupBox(title, parent);
    place(box, left, top, width, height);
    setBackground(box, clMoneyGreen);
    return box;
}

QPushButton* TMainForm::button(QWidget* parent, const QString& text, int left, int top, int width,
                               int height)
{
    auto* b = new QPushButton(text, parent);
    b->setFocusPolicy(Qt::TabFocus);
    place(b, left, top, width, height);
    return b;
}

QLineEdit* TMainForm::edit(QWidget* parent, int left, int top, int width, int height, bool readOnly)
{
    auto* e = new QLineEdit(parent);
    e->setReadOnly(readOnly);
    place(e, left, top, width, height);
    return e;
}

UpDown* TMainForm::spinner(QWidget* parent, QLineEdit* buddy, int left, int top, int min, int max,
                           int step, int position)
{
    auto* s = new UpDown(buddy, min, max, step, position, parent);
    place(s, left, top, 15, 24);
    return s;
}

void TMainForm::createControls()
{
    MainPanel = new QWidget(this);
    MainPanel->setObjectName(QStringLiteral("MainPanel"));
    setBackground(MainPanel, clMoneyGreen);
    place(MainPanel, 110, 0, 796, 721);

    ControlPanel = groupBox(MainPanel, QStringLiteral("Control Panel"), 0, 5, 221, 671);
    DataOptionsBox = groupBox(ControlPanel, QStringLiteral("Data Options"), 25, 25, 171, 121);
    CollectDataBtn = button(DataOptionsBox, QStringLiteral("Collect Data"), 35, 35, 91, 25);
    AnalyzeBtn = button(DataOptionsBox, QStringLiteral("Analyze Data"), 35, 70, 91, 25);
    ProgramBox = groupBox(ControlPanel, QStringLiteral("Program Options"), 25, 160, 171, 151);
    InstructionBtn = button(ProgramBox, QStringLiteral("Instructions"), 25, 31, 111, 25);
    AboutBtn = button(ProgramBox, QStringLiteral("About ..."), 35, 66, 91, 25);
    ExitBtn = button(ProgramBox, QStringLiteral("Exit"), 35, 101, 91, 25);

    TargetBox = groupBox(MainPanel, QStringLiteral("Target Display"), 235, 5, 336, 671);
    TargetPaint = new TargetPaintBox(TargetBox);
    TargetPaint->setObjectName(QStringLiteral("TargetPaint"));
    TargetPaint->setGeometry(targetPaintRect(TargetBox->geometry(), factor_));
    TargetPaint->setMouseMove([this](int y) { controller_.recording().TargetPaintMouseMove(y); });

    RecordBox = groupBox(MainPanel, QStringLiteral("Data Recorder"), 586, 6, 210, 300);
    StartBtn = button(RecordBox, QStringLiteral("Start Recording"), 45, 35, 116, 25);
    AbortBtn = button(RecordBox, QStringLiteral("Abort Recording"), 45, 70, 116, 25);
    label(RecordBox, QStringLiteral("Recording Status"), 50, 105);
    Status = edit(RecordBox, 45, 125, 116, 24, true);
    setStatus(QString(), clYellow);
    ETCounter = edit(RecordBox, 44, 157, 31, 24, true);
    label(RecordBox, QStringLiteral("Elapsed Time"), 80, 160);
    CurrentRunEdit = edit(RecordBox, 45, 190, 31, 24, false);
    label(RecordBox, QStringLiteral("Run Number"), 85, 195);
    label(RecordBox, QStringLiteral("Data File"), 75, 225);
    SaveDataEdit = edit(RecordBox, 45, 245, 121, 24, true);

    RunSettingsBox = groupBox(MainPanel, QStringLiteral("Experimental Run Settings"), 586, 319, 210, 232);
    label(RunSettingsBox, QStringLiteral("Difficulty Level"), 40, 35);
    DiffEdit = edit(RunSettingsBox, 145, 30, 26, 24, true);
    DiffUpDown = spinner(RunSettingsBox, DiffEdit, 171, 30, 1, 5, 1, 3);
    label(RunSettingsBox, QStringLiteral("Disturbance Num."), 20, 70);
    DisturbEdit = edit(RunSettingsBox, 145, 65, 26, 24, true);
    DisturbUpDown = spinner(RunSettingsBox, DisturbEdit, 171, 65, 1, 10, 1, 1);
    QLabel* multiple = label(RunSettingsBox, QStringLiteral("For Multiple Consecutive Runs"), 10, 115);
    QPalette blue = multiple->palette();
    blue.setColor(QPalette::WindowText, QColor::fromRgb(clBlue));
    multiple->setPalette(blue);
    label(RunSettingsBox, QStringLiteral("Number of Runs"), 30, 150);
    NRunsEdit = edit(RunSettingsBox, 145, 145, 26, 24, true);
    NRunsUpDown = spinner(RunSettingsBox, NRunsEdit, 171, 145, 1, 15, 1, 1);
    auto* interval = new QLabel(QStringLiteral("Inter-run Interval (seconds)"), RunSettingsBox);
    interval->setAlignment(Qt::AlignCenter);
    interval->setWordWrap(true);
    place(interval, 30, 175, 57, 48);
    IRIEdit = edit(RunSettingsBox, 135, 180, 36, 24, true);
    IRIUpDown = spinner(RunSettingsBox, IRIEdit, 171, 180, 5, 300, 5, 5);

    const std::pair<QWidget*, const char*> names[] = {
        {ControlPanel, "ControlPanel"}, {DataOptionsBox, "DataOptionsBox"},
        {CollectDataBtn, "CollectDataBtn"}, {AnalyzeBtn, "AnalyzeBtn"},
        {ProgramBox, "ProgramBox"}, {InstructionBtn, "InstructionBtn"},
        {AboutBtn, "AboutBtn"}, {ExitBtn, "ExitBtn"}, {TargetBox, "TargetBox"},
        {RecordBox, "RecordBox"}, {StartBtn, "StartBtn"}, {AbortBtn, "AbortBtn"},
        {Status, "Status"}, {ETCounter, "ETCounter"}, {CurrentRunEdit, "CurrentRunEdit"},
        {SaveDataEdit, "SaveDataEdit"}, {RunSettingsBox, "RunSettingsBox"},
        {DiffEdit, "DiffEdit"}, {DiffUpDown, "DiffUpDown"}, {DisturbEdit, "DisturbEdit"},
        {DisturbUpDown, "DisturbUpDown"}, {NRunsEdit, "NRunsEdit"}, {NRunsUpDown, "NRunsUpDown"},
        {IRIEdit, "IRIEdit"}, {IRIUpDown, "IRIUpDown"}};
    for (const auto& [widget, name] : names)
        widget->setObjectName(QString::fromLatin1(name));

    connect(CollectDataBtn, &QPushButton::clicked, this, &TMainForm::CollectDataBtnClick);
    connect(AnalyzeBtn, &QPushButton::clicked, this, &TMainForm::AnalyzeBtnClick);
    connect(InstructionBtn, &QPushButton::clicked, this, &TMainForm::InstructionBtnClick);
    connect(AboutBtn, &QPushButton::clicked, this, &TMainForm::AboutBtnClick);
    connect(ExitBtn, &QPushButton::clicked, this, &TMainForm::ExitBtnClick);
    connect(StartBtn, &QPushButton::clicked, this, &TMainForm::StartBtnClick);
    connect(AbortBtn, &QPushButton::clicked, this, &TMainForm::AbortBtnClick);
    connect(DiffUpDown, &UpDown::clicked, this, [this](int p) { controller_.DiffUpDownClick(p); });
    connect(DisturbUpDown, &UpDown::clicked, this, [this](int p) { controller_.DisturbUpDownClick(p); });
    connect(NRunsUpDown, &UpDown::clicked, this, [this](int p) { controller_.NRunsUpDownClick(p); });
    connect(IRIUpDown, &UpDown::clicked, this, [this](int p) { controller_.IRIUpDownClick(p); });
}

void TMainForm::setStatus(const QString& text, QRgb color)
{
    Status->setText(text);
    QPalette palette = Status->palette();
    palette.setColor(QPalette::Base, QColor::fromRgb(color));
    Status->setPalette(palette);
}

void TMainForm::setElapsedTimeText(std::string_view text)
{
    ETCounter->setText(QString::fromLatin1(text.data(), qsizetype(text.size())));
}

void TMainForm::setRunNumberText(std::string_view text)
{
    CurrentRunEdit->setText(QString::fromLatin1(text.data(), qsizetype(text.size())));
}

void TMainForm::setDataFileText(const QString& text)
{
    SaveDataEdit->setText(text);
}

QSize TMainForm::layOutForStart()
{
    const FirstPassLayout layout =
        firstPassLayout(frameGeometry().width(), MainPanel->width(), height());
    MainPanel->setGeometry(layout.panelLeft, 0, MainPanel->width(), layout.panelHeight);
    TargetBox->resize(TargetBox->width(), layout.targetBoxHeight);
    ControlPanel->resize(ControlPanel->width(), layout.controlPanelHeight);
    TargetPaint->setGeometry(targetPaintRect(TargetBox->geometry(), factor_));
    return TargetPaint->size();
}

void TMainForm::showTargetDisplay(const QImage& bitmap)
{
    TargetPaint->setBitmap(&bitmap);
    if (TargetPaint->isVisible())
        TargetPaint->repaint();
}

void TMainForm::CollectDataBtnClick()
{
    controller_.CollectDataBtnClick();
}

void TMainForm::AnalyzeBtnClick()
{
    if (controller_.AnalyzeBtnClick() && analysisWindow_)
        analysisWindow_->exec();
}

void TMainForm::InstructionBtnClick()
{
    if (controller_.InstructionBtnClick() && instructionsWindow_)
        instructionsWindow_->exec();
}

void TMainForm::AboutBtnClick()
{
    if (aboutWindow_)
        aboutWindow_->exec();
}

void TMainForm::ExitBtnClick()
{
    loop_.stop();
    QCoreApplication::quit();
}

void TMainForm::StartBtnClick()
{
    controller_.StartBtnClick();
}

void TMainForm::AbortBtnClick()
{
    controller_.AbortBtnClick();
}

void TMainForm::AnalysisFormClosed()
{
    controller_.AnalysisFormClosed();
}

}  // namespace quelvar
