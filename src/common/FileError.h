#pragma once
// What went wrong with a file, in words a user can act on: what was being
// done, to which file, and the system's own reason. Every reader and writer
// reports its failures with it; the boxes whose wording the program has always
// used keep that wording, and everything else shows message().
#include <QString>
#include <optional>
#include <utility>

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

// The outcome of a file operation: nothing, or what went wrong. It does not
// turn into a bool: the writers used to return true on success, and a caller
// still written that way must fail to build rather than read it backwards.
class FileResult {
public:
    FileResult() = default;
    FileResult(std::nullopt_t) {}
    FileResult(FileError error) : error_(std::move(error)) {}

    bool ok() const { return !error_; }
    // Only when !ok().
    const FileError& operator*() const { return *error_; }
    const FileError* operator->() const { return &*error_; }

private:
    std::optional<FileError> error_;
};

}  // namespace quelvar
