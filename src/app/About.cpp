#include "app/About.h"

#include "common/ExperimentState.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace quelvar {
namespace {

QLabel* addLabel(QWidget* parent, const char* name, const QString& text, int x, int y,
                 int pixelSize, const QColor* colour)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont font(QStringLiteral("Times New Roman"));
    font.setStyleHint(QFont::Serif);
    font.setPixelSize(pixelSize);
    label->setFont(font);
    if (colour) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, *colour);
        label->setPalette(palette);
    }
    label->move(x, y);
    label->adjustSize();
    return label;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* mainWindow) : QDialog(mainWindow), mainWindow_(mainWindow)
{
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    setFixedSize(400, 211);

    auto* bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Bevel"));
    bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
    bevel->setGeometry(48, 48, 297, 145);

    const QColor red(clRed);
    addLabel(this, "TitleLabel", QStringLiteral("Quelvar Pursuit Tracking Analysis"), 44, 16,
             19, &red);
    struct Row {
        const char* captionName;
        const char* caption;
        const char* valueName;
        const char* value;
        int y;
    };
    const Row rows[] = {
        {"ProgramCaption", "Program:", "ProgramValue", "Quelvar.exe", 56},
        {"VersionCaption", "Version:", "VersionValue", "1.00", 80},
        {"DateCaption", "Date:", "DateValue", "9/13/2008", 104},
    };
    for (const Row& row : rows) {
        addLabel(this, row.captionName, QString::fromLatin1(row.caption), 56, row.y, 16, &red);
        addLabel(this, row.valueName, QString::fromLatin1(row.value), 136, row.y, 13, nullptr);
    }
}

void TAboutBox::showEvent(QShowEvent* event)
{
    QRect over;
    if (mainWindow_)
        over = mainWindow_->frameGeometry();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        over = screen->availableGeometry();
    if (over.isValid()) {
        const QSize size = frameGeometry().size();
        move(over.center() - QPoint(size.width() / 2, size.height() / 2));
    }
    QDialog::showEvent(event);
}

}  // namespace quelvar
