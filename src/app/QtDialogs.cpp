#include "app/QtDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

namespace quelvar {

QString qtNameFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        QString pattern = parts[i + 1].trimmed();
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (description.endsWith(QLatin1Char('(') + pattern + QLatin1Char(')')))
            filters << description;
        else
            filters << description + QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    if (parts.size() % 2 == 1 && !parts.back().trimmed().isEmpty())
        filters << parts.back().trimmed();
    return filters.join(QStringLiteral(";;"));
}

int QtDialogs::messageBox(int icon, const QString& caption, const QString& text, int buttons)
{
    QMessageBox box(static_cast<QMessageBox::Icon>(icon), caption, text,
                    static_cast<QMessageBox::StandardButtons>(buttons), parent_);
    if (hooks_)
        hooks_->messageBoxOpening();
    const int answer = box.exec();
    if (hooks_)
        hooks_->messageBoxClosed();
    return answer;
}

void QtDialogs::information(const QString& text)
{
    messageBox(QMessageBox::Information, QStringLiteral("Information"), text, QMessageBox::Ok);
}

void QtDialogs::error(const QString& text)
{
    messageBox(QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok);
}

bool QtDialogs::confirm(const QString& text)
{
    return messageBox(QMessageBox::Question, QStringLiteral("Confirm"), text,
                      QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

std::optional<QString> QtDialogs::openFile(const FileDialogRequest& request)
{
    return fileDialog(request, false);
}

std::optional<QString> QtDialogs::saveFile(const FileDialogRequest& request)
{
    return fileDialog(request, true);
}

std::optional<QString> QtDialogs::fileDialog(const FileDialogRequest& request, bool save)
{
    QFileDialog dialog(parent_, request.title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The callers ask "File exists.  Overwrite?" themselves, and the reader
    // reports a missing file itself, so the dialog accepts any name.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!request.filter.isEmpty())
        dialog.setNameFilter(qtNameFilters(request.filter));
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.proposedName.isEmpty()) {
        const QFileInfo proposed(request.proposedName);
        dialog.setDirectory(proposed.absolutePath());
        dialog.selectFile(proposed.fileName());
    }
    if (hooks_)
        hooks_->fileDialogOpening();
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (hooks_)
        hooks_->fileDialogClosed();
    if (!accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

}  // namespace quelvar
