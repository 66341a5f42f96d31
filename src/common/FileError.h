#pragma once
// What went wrong with a file, in words a user can act on: what was being
// done, to which file, and the system's own reason. Every reader and writer
// reports its failures with it; the boxes whose wording the program has always
// used keep that wording, and everything else shows message().
#include <QString>
#include <optional>

namespace quelvar {

struct FileError {
    QString action;  // what could not be done: "write", "read", "replace", ...
    QString path;    // the file as the user named it
    QString reason;  // the system's reason ("No space left on device"), or ours

    // "cannot write /data/p3.par: No space left on device"
    QString message() const
    {
        QString text = QStringLiteral("cannot %1 %2").arg(action, path);
        if (!reason.isEmpty())
            text += QStringLiteral(": ") + reason;
        return text;
    }
};

// The outcome of a file operation: nothing, or what went wrong.
using FileResult = std::optional<FileError>;

}  // namespace quelvar
