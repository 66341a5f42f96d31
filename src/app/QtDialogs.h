#pragma once
// The message boxes and file dialogs of the running program, on Qt. Boxes
// keep the frames going; file dialogs stop them while they are open.
#include "common/Dialogs.h"

class QWidget;

namespace quelvar {

// Told before and after every modal box, so the frame loop can stop for a
// file dialog and keep running under a message box.
class ModalHooks {
public:
    virtual ~ModalHooks() = default;
    virtual void fileDialogOpening() = 0;
    virtual void fileDialogClosed() = 0;
    virtual void messageBoxOpening() = 0;
    virtual void messageBoxClosed() = 0;
};

// "Text files (*.txt)|*.txt|All files (*)|*" -> "Text files (*.txt);;All files (*)".
// A description that already ends in its pattern in brackets is kept as it
// is; otherwise the pattern (";" lists become blank-separated) is appended.
QString qtNameFilters(const QString& filter);

class QtDialogs final : public Dialogs {
public:
    void setParentWindow(QWidget* parent) { parent_ = parent; }
    void setModalHooks(ModalHooks* hooks) { hooks_ = hooks; }

    void information(const QString& text) override;
    void error(const QString& text) override;
    bool confirm(const QString& text) override;
    std::optional<QString> openFile(const FileDialogRequest& request) override;
    std::optional<QString> saveFile(const FileDialogRequest& request) override;

private:
    int messageBox(int icon, const QString& caption, const QString& text, int buttons);
    std::optional<QString> fileDialog(const FileDialogRequest& request, bool save);

    QWidget* parent_ = nullptr;
    ModalHooks* hooks_ = nullptr;
};

}  // namespace quelvar
