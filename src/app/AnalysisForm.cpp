#include "app/AnalysisForm.h"

#include "analysis/AnalysisGraphs.h"
#include "analysis/AnalysisSession.h"
#include "analysis/AnalysisView.h"
#include "app/UpDown.h"
#include "common/DisplayText.h"
#include "common/Rounding.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cstring>
#include <functional>

namespace quelvar {

double analysisScaleRatio(int screenHeight) { return screenHeight / 768.0; }

int scaledPixels(int designPixels, double ratio) { return roundToInt32(designPixels * ratio); }

namespace {

// A paint box: shows the last bitmap copied to it and nothing before the
// first copy. It keeps its own pixels, so the graph bitmap is never shared and
// redrawing it on the next frame does not make Qt copy it. Putting the pixels
// on the screen goes through Qt's painter and backing store, which may
// allocate; the drawing of the graphs themselves does not.
class GraphPaintBox : public QWidget {
public:
    using QWidget::QWidget;

    void copyFrom(const QImage& bitmap)
    {
        if (screen_.size() != bitmap.size() || screen_.format() != bitmap.format())
            screen_ = QImage(bitmap.size(), bitmap.format());
        const qsizetype rowBytes = std::min(screen_.bytesPerLine(), bitmap.bytesPerLine());
        for (int y = 0; y < bitmap.height(); ++y)
            std::memcpy(screen_.scanLine(y), bitmap.constScanLine(y), static_cast<size_t>(rowBytes));
        repaint();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (screen_.isNull())
            return;
        QPainter painter(this);
        painter.drawImage(0, 0, screen_);
    }

private:
    QImage screen_;
};

// A coloured square of the graph key, outlined in black.
class KeySquare : public QWidget {
public:
    KeySquare(QRgb colour, QWidget* parent) : QWidget(parent), colour_(colour) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(colour_));
        painter.setPen(QColor(clBlack));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }

private:
    QRgb colour_;
};

// A box whose text is only handed to the widget when it changes: the error
// boxes are rewritten on every frame and at every trial of a fit.
class TextBox {
public:
    QLineEdit* edit = nullptr;

    void set(std::string_view text)
    {
        if (kept_ && text == std::string_view(last_, lastSize_))
            return;
        // A text too long to keep is simply pushed every time.
        kept_ = text.size() <= sizeof(last_);
        lastSize_ = kept_ ? text.size() : 0;
        std::memcpy(last_, text.data(), lastSize_);
        edit->setText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
    }

private:
    char last_[sizeof(ShortText::data)] = {};
    std::size_t lastSize_ = 0;
    bool kept_ = false;
};

void setTextIfChanged(QLineEdit* edit, const QString& text)
{
    if (edit->text() != text)
        edit->setText(text);
}

struct SpinnerControls {
    QLineEdit* edit = nullptr;
    UpDown* upDown = nullptr;
};

}  // namespace

struct TAnalysisForm::Impl : AnalysisView, GraphPresenter {
    Impl(TAnalysisForm& form, AnalysisSession& s, QWidget* mainWindow, double ratio)
        : q(form), session(s), graphs(s.state()), mainWindow(mainWindow), ratio(ratio)
    {
    }

    TAnalysisForm& q;
    AnalysisSession& session;
    AnalysisGraphs graphs;
    QWidget* mainWindow;
    double ratio;

    QLineEdit* fileEdit = nullptr;
    QLineEdit* diffEdit = nullptr;
    QLineEdit* distNoEdit = nullptr;
    QLineEdit* paramFileNameEdit = nullptr;
    TextBox errFit;
    TextBox errPred;
    QLabel* label13 = nullptr;
    QLabel* label3 = nullptr;
    GraphPaintBox* runPaintBox = nullptr;
    GraphPaintBox* modelPaint = nullptr;
    SpinnerControls inDelay;
    SpinnerControls outGain;
    SpinnerControls damp;
    SpinnerControls ref;

    int px(int design) const { return scaledPixels(design, ratio); }
    QRect rect(int left, int top, int width, int height) const
    {
        return {px(left), px(top), px(width), px(height)};
    }

    QFont font(const char* family, int designPixels) const
    {
        QFont f(QString::fromLatin1(family));
        f.setPixelSize(std::max(1, px(designPixels)));
        return f;
    }

    template <class W>
    W* place(W* widget, const char* name, QRect geometry)
    {
        widget->setObjectName(QString::fromLatin1(name));
        widget->setGeometry(geometry);
        return widget;
    }

    QLabel* label(QWidget* parent, const char* name, const QString& text, int left, int top)
    {
        auto* l = new QLabel(text, parent);
        l->setObjectName(QString::fromLatin1(name));
        l->move(px(left), px(top));
        l->adjustSize();
        return l;
    }

    QPushButton* button(QWidget* parent, const char* name, const QString& text, QRect geometry,
                        std::function<void()> handler)
    {
        auto* b = place(new QPushButton(text, parent), name, geometry);
        // Enter must not press a button the user did not point at.
        b->setAutoDefault(false);
        b->setDefault(false);
        QObject::connect(b, &QPushButton::clicked, &q, std::move(handler));
        return b;
    }

    QLineEdit* readOnlyEdit(QWidget* parent, const char* name, QRect geometry)
    {
        auto* e = place(new QLineEdit(parent), name, geometry);
        e->setReadOnly(true);
        return e;
    }

    void spinner(QWidget* parent, SpinnerControls& controls, const char* editName,
                 const char* upDownName, const Spinner& core, int left, int top,
                 void (AnalysisSession::*click)(int))
    {
        controls.edit = readOnlyEdit(parent, editName, rect(left, top, 46, 24));
        controls.upDown = place(new UpDown(controls.edit, core.Min, core.Max, 1, core.Position, parent),
                                upDownName, rect(left + 46, top, 16, 24));
        controls.edit->installEventFilter(&q);
        QObject::connect(controls.upDown, &UpDown::clicked, &q, [this, click](int position) {
            std::invoke(click, session, position);
            spinnerPositionsChanged();
        });
    }

    // Only the user's clicks run the click handlers; a position set here
    // just shows.
    static void mirror(SpinnerControls& controls, const Spinner& core)
    {
        if (controls.upDown->position() != core.Position)
            controls.upDown->setPosition(core.Position);
    }

    void build();
    void buildControlsBox();
    void buildGraphArea();

    // FormPaint: the model graph takes the paint box's size.
    void sizeModelGraph() { graphs.setModelGraphSize(modelPaint->width(), modelPaint->height()); }

    // AnalysisView
    void setModelErrorText(std::string_view text) override { errFit.set(text); }
    void setTrackingErrorText(std::string_view text) override { errPred.set(text); }
    void setParamFileNameText(const QString& text) override { setTextIfChanged(paramFileNameEdit, text); }
    void setFileText(const QString& text) override { setTextIfChanged(fileEdit, text); }
    void setDifficultyText(const QString& text) override { setTextIfChanged(diffEdit, text); }
    void setDisturbanceText(const QString& text) override { setTextIfChanged(distNoEdit, text); }
    void setErrorKeyCaptions(const QString& text) override
    {
        for (QLabel* l : {label13, label3}) {
            l->setText(text);
            l->adjustSize();
        }
    }
    void spinnerPositionsChanged() override
    {
        const ParameterSpinners& s = session.state().analysis.Spinners;
        mirror(inDelay, s.InDelayUpDown);
        mirror(outGain, s.OutGainUpDown);
        mirror(damp, s.DampUpDown);
        mirror(ref, s.RefUpDown);
    }

    // GraphPresenter
    void showRunGraph(const QImage& bitmap) override { runPaintBox->copyFrom(bitmap); }
    void showModelGraph(const QImage& bitmap) override { modelPaint->copyFrom(bitmap); }
};

void TAnalysisForm::Impl::build()
{
    q.setWindowTitle(QStringLiteral("Analysis"));
    q.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                     | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint
                     | Qt::MSWindowsFixedSizeDialogHint);
    q.setModal(true);
    q.setFixedSize(px(829), px(541));
    q.setFont(font("MS Sans Serif", 11));
    QPalette palette = q.palette();
    palette.setColor(QPalette::Window, QColor(clMoneyGreen));
    q.setPalette(palette);
    q.setAutoFillBackground(true);

    buildControlsBox();
    buildGraphArea();
}

void TAnalysisForm::Impl::buildControlsBox()
{
    auto* box = place(new QGroupBox(QStringLiteral("Analysis Controls"), &q), "ControlsBox",
                      rect(0, 0, 829, 226));
    box->setFont(font("Arial", 13));

    button(box, "OpenBtn", QStringLiteral("Open Data File"), rect(20, 30, 101, 25),
           [this] { session.ReadDataFile(); });
    fileEdit = readOnlyEdit(box, "FileEdit", rect(130, 30, 218, 24));
    diffEdit = readOnlyEdit(box, "DiffEdit", rect(365, 30, 36, 24));
    label(box, "DiffLabel", QStringLiteral("Difficulty"), 410, 35);
    distNoEdit = readOnlyEdit(box, "DistNoEdit", rect(485, 30, 36, 24));
    label(box, "DistNoLabel", QStringLiteral("Disturbance Number"), 530, 35);
    button(box, "CloseBtn", QStringLiteral("End Analysis"), rect(720, 30, 91, 25), [this] { q.close(); });

    QLabel* hint = label(box, "Label8",
                         QStringLiteral("Use Up/Down arrows to manually adjust parameters or press "
                                        "Auto Fit to let the computer find the best fit."),
                         25, 70);
    QPalette bluePalette = hint->palette();
    bluePalette.setColor(QPalette::WindowText, QColor(clBlue));
    hint->setPalette(bluePalette);

    const ParameterSpinners& s = session.state().analysis.Spinners;
    spinner(box, inDelay, "InpDelayEdit", "InDelayUpDown", s.InDelayUpDown, 20, 100,
            &AnalysisSession::InDelayUpDownClick);
    label(box, "InDelayLabel", QStringLiteral("Input delay in 1/60th second increments "), 90, 105);
    spinner(box, outGain, "OutGainEdit", "OutGainUpDown", s.OutGainUpDown, 20, 140,
            &AnalysisSession::OutGainUpDownClick);
    label(box, "OutGainLabel", QStringLiteral("Output gain factor X 10"), 90, 145);
    spinner(box, damp, "DampEdit", "DampUpDown", s.DampUpDown, 350, 100,
            &AnalysisSession::DampUpDownClick);
    label(box, "DampLabel", QStringLiteral("Damping constant X 1000"), 420, 105);
    spinner(box, ref, "RefEdit", "RefUpDown", s.RefUpDown, 350, 140, &AnalysisSession::RefUpDownClick);
    label(box, "RefLabel", QStringLiteral("Reference signal in pixels X 10"), 420, 145);

    errFit.edit = readOnlyEdit(box, "ErrFitEdit", rect(610, 100, 56, 24));
    label(box, "ErrFitLabel", QStringLiteral("Model % RMS Error"), 680, 105);
    errPred.edit = readOnlyEdit(box, "ErrPredEdit", rect(610, 142, 56, 24));
    label(box, "ErrPredLabel", QStringLiteral("Tracking % RMS Error"), 680, 145);

    button(box, "AutoFitBtn", QStringLiteral("Auto Fit"), rect(20, 180, 61, 25), [this] {
        // A fit holds the window for a moment; the pointer says so.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        session.AutoFitBtnClick();
        QApplication::restoreOverrideCursor();
    });
    button(box, "SaveParamBtn", QStringLiteral("Save Parameters"), rect(95, 180, 116, 25),
           [this] { session.SaveParametersAs(); });
    button(box, "RetrieveParmsBtn", QStringLiteral("Retrieve Parameters"), rect(225, 180, 136, 25),
           [this] { session.RetrieveParameters(); });
    paramFileNameEdit = place(new QLineEdit(box), "ParamFileNameEdit", rect(376, 179, 209, 24));
}

void TAnalysisForm::Impl::buildGraphArea()
{
    auto* lower = place(new QWidget(&q), "LowerPanel", rect(0, 226, 829, 315));

    auto* graphBox = place(new QGroupBox(QStringLiteral("Analysis Graphs"), lower), "ModelBox",
                           rect(0, 0, 644, 315));
    graphBox->setFont(font("Arial", 13));
    auto panel = [&](const char* name, QRect geometry) {
        auto* frame = place(new QFrame(graphBox), name, geometry);
        frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
        frame->setLineWidth(1);
        return frame;
    };
    // The paint boxes fill their panels inside a one-pixel bevel: 636 x 136
    // and 636 x 153 at design size.
    QFrame* trackPanel = panel("TrackDataPanel", rect(3, 17, 638, 138));
    runPaintBox = place(new GraphPaintBox(trackPanel), "RunPaintBox",
                        trackPanel->rect().adjusted(1, 1, -1, -1));
    QFrame* fitPanel = panel("ModelFitPanel", rect(3, 155, 638, 155));
    modelPaint = place(new GraphPaintBox(fitPanel), "ModelPaint", fitPanel->rect().adjusted(1, 1, -1, -1));

    auto* key = place(new QGroupBox(QStringLiteral("Graph Key"), lower), "AnalysisKeyBox",
                      rect(644, 0, 185, 315));
    key->setFont(font("Arial", 13));
    struct Row {
        QRgb colour;
        int left, top, side;
        const char* squareName;
        const char* labelName;
        QString text;
        int labelTop;
    };
    const Row rows[] = {
        {clRed, 18, 34, 17, "RunTargetSquare", "RunTargetLabel", QStringLiteral("Target"), 34},
        {clLime, 18, 63, 17, "RunMouseSquare", "RunMouseLabel", QStringLiteral("Mouse"), 63},
        {clBlack, 18, 92, 17, "RunErrorSquare", "Label13", QStringLiteral("Error"), 95},
        {clBlue, 20, 200, 16, "ModelMouseSquare", "ModelMouseLabel", QStringLiteral("Mouse Model"), 200},
        {clLime, 20, 225, 16, "MouseSquare", "MouseLabel", QStringLiteral("Mouse "), 225},
        {clBlack, 20, 250, 16, "ModelErrorSquare", "Label3", QStringLiteral("Error"), 250},
    };
    for (const Row& row : rows) {
        place(new KeySquare(row.colour, key), row.squareName, rect(row.left, row.top, row.side, row.side));
        QLabel* l = label(key, row.labelName, row.text, 50, row.labelTop);
        if (std::strcmp(row.labelName, "Label13") == 0)
            label13 = l;
        else if (std::strcmp(row.labelName, "Label3") == 0)
            label3 = l;
    }
    button(key, "Rescale1", QStringLiteral("Rescale Error"), rect(40, 140, 96, 25),
           [this] { session.Rescale1Click(); });
}

TAnalysisForm::TAnalysisForm(AnalysisSession& session, QWidget* mainWindow, double scaleRatio)
    : QDialog(mainWindow), d(nullptr)
{
    if (scaleRatio <= 0.0) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        scaleRatio = analysisScaleRatio(screen ? screen->geometry().height() : 768);
    }
    d = new Impl(*this, session, mainWindow, scaleRatio);
    d->build();

    // RunGraphBitmap takes the paint box's size once; ModelGraphBitmap waits
    // for the first paint.
    d->graphs.setRunGraphSize(d->runPaintBox->width(), d->runPaintBox->height());
    d->graphs.setPresenter(d);

    SharedState& state = session.state();
    state.analysis.ModelTimeStep = 1.0 / 60.0;
    state.analysis.ErrorMagnified = false;

    session.setView(d);
    session.setGraphs(&d->graphs);
}

TAnalysisForm::~TAnalysisForm()
{
    d->session.setView(nullptr);
    d->session.setGraphs(nullptr);
    delete d;
    d = nullptr;  // the children still send events while they are destroyed
}

void TAnalysisForm::done(int result)
{
    // FormClose: the controller and the main window's status box react to
    // this; a window that is not showing has nothing to close.
    if (isVisible())
        emit analysisClosed();
    QDialog::done(result);
}

void TAnalysisForm::paintEvent(QPaintEvent* event)
{
    d->sizeModelGraph();
    QDialog::paintEvent(event);
}

void TAnalysisForm::showEvent(QShowEvent* event)
{
    // A fit after a run of a series moved the spinners while the window was
    // hidden; and frames may come before the first paint.
    d->spinnerPositionsChanged();
    d->sizeModelGraph();

    const QSize size = frameGeometry().size();
    QRect over;
    if (d->mainWindow)
        over = d->mainWindow->frameGeometry();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        over = screen->availableGeometry();
    if (over.isValid())
        move(over.center() - QPoint(size.width() / 2, size.height() / 2));
    QDialog::showEvent(event);
}

bool TAnalysisForm::eventFilter(QObject* watched, QEvent* event)
{
    // The arrow keys in a spinner's edit step it, as its arrow buttons do.
    if (d && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            for (SpinnerControls* c : {&d->inDelay, &d->outGain, &d->damp, &d->ref}) {
                if (watched == c->edit) {
                    if (key == Qt::Key_Up)
                        c->upDown->stepUp();
                    else
                        c->upDown->stepDown();
                    return true;
                }
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace quelvar
