#pragma once
// The message boxes and file dialogs the program shows, behind one small
// interface so that every routine that asks or reports can be driven by a
// script in tests and by the command line without windows.
#include "common/FileError.h"

#include <QString>
#include <optional>

namespace quelvar {

struct FileDialogRequest {
    QString filter;        // "Text files (*.txt)|*.txt": description, then pattern
    QString defaultSuffix; // added to a name typed without an extension ("txt")
    QString title;         // window title; empty for the toolkit's default
    QString proposedName;  // file name (or path) shown when the dialog opens
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Modal boxes: "Information" and "Error" with OK, "Confirm" with Yes/No.
    virtual void information(const QString& text) = 0;
    virtual void error(const QString& text) = 0;
    virtual bool confirm(const QString& text) = 0;  // true for Yes

    enum class Box { Information, Error };
    // A file could not be read or written. The windows show the box they have
    // always shown for it (`text`, "File I/O error." as a rule); without a
    // window, what failed, where and why is worth more than that text.
    virtual void fileFailed(Box box, const QString& text, const FileError&)
    {
        if (box == Box::Information)
            information(text);
        else
            error(text);
    }

    // File dialogs: the chosen full path, or nothing when cancelled.
    virtual std::optional<QString> openFile(const FileDialogRequest& request) = 0;
    virtual std::optional<QString> saveFile(const FileDialogRequest& request) = 0;
};

}  // namespace quelvar
