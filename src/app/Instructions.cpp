#include "app/Instructions.h"

#include "common/Dialogs.h"

#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTextEdit>
#include <QVBoxLayout>

// The guide lives in a static library, whose resource initialiser the linker
// would drop unless something refers to it.
static void initGuideResource() { Q_INIT_RESOURCE(guide); }

namespace quelvar {

QRect instructionsPlacement(const QRect& workArea)
{
    const int width = workArea.width() / 2;
    const int height = workArea.height() / 3;
    const int left = workArea.width() / 2 - width / 2;
    const int top = workArea.height() / 2;
    // Work areas need not start at the screen's corner (a task bar on the left
    // or at the top), so the window is placed relative to the area itself.
    return {workArea.left() + left, workArea.top() + top, width, height};
}

TInstructForm::TInstructForm(Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), memo_(new QTextEdit(this))
{
    initGuideResource();
    setWindowTitle(QStringLiteral("Instructions"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);

    memo_->setObjectName(QStringLiteral("InstructMemo"));
    memo_->setReadOnly(true);
    // Read-only still lets the reader select and copy a passage.
    memo_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(memo_);

    // Placed once, here: a window the user moves reopens where it was left.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect outer = instructionsPlacement(screen->availableGeometry());
        outerSize_ = outer.size();
        move(outer.topLeft());
        setFixedSize(outer.size());
    }

    LoadInstructions();
}

bool TInstructForm::event(QEvent* event)
{
    // The frame's size is known only once the window manager has framed the
    // window, which it announces with a move or a resize.
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
        fitOuterSize();
        break;
    default:
        break;
    }
    return QDialog::event(event);
}

void TInstructForm::fitOuterSize()
{
    if (outerSize_.isEmpty())
        return;
    const QSize frame = frameGeometry().size() - size();
    const QSize client = outerSize_ - frame;
    if (client != size() && !client.isEmpty())
        setFixedSize(client);
}

bool TInstructForm::LoadInstructions() { return loadInstructionsFrom(QString::fromLatin1(kUserGuideResource)); }

bool TInstructForm::loadInstructionsFrom(const QString& path)
{
    // The file object closes itself on every way out of this scope.
    QFile stream(path);
    if (!stream.open(QIODevice::ReadOnly)) {
        dialogs_.error(stream.errorString());
        return false;
    }
    const QByteArray text = stream.readAll();
    if (stream.error() != QFileDevice::NoError) {
        dialogs_.error(stream.errorString());
        return false;
    }
    memo_->setHtml(QString::fromUtf8(text));
    return true;
}

}  // namespace quelvar
