#pragma once
// Dialogs for a run without windows: boxes become messages (printed on
// stderr), nothing is ever confirmed or chosen interactively.
#include "common/Dialogs.h"

#include <QStringList>

namespace quelvar::cli {

class BatchDialogs : public Dialogs {
public:
    QStringList messages;

    void information(const QString& text) override { messages << text; }
    void error(const QString& text) override { messages << text; }
    bool confirm(const QString&) override { return true; }
    void fileFailed(Box, const QString&, const FileError& error) override { messages << error.message(); }
    std::optional<QString> openFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<QString> saveFile(const FileDialogRequest&) override { return std::nullopt; }
};

}  // namespace quelvar::cli
