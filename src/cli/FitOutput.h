#pragma once
// What quelvar-fit prints while files are fitted side by side: each file's
// messages and row appear as soon as it and every earlier file are done, in
// the order the files were given, so a batch that is stopped has printed every
// row it finished before. Nothing of a printed file is kept. With `progress`
// (stderr is a terminal) one line on `err` says how far the batch is; it is
// redrawn in place and cleared at the end.
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <ostream>

namespace quelvar::cli {

struct FileOutcome {
    QString file;                // as given
    QStringList messages;        // each printed as "<file>: <message>" on err
    std::optional<QString> row;  // the CSV row, when the file was fitted
    bool failed = false;         // anything of the file failed (exit status 1)
};

class FitOutput {
public:
    FitOutput(std::ostream& out, std::ostream& err, std::size_t files, bool progress);
    ~FitOutput();
    FitOutput(const FitOutput&) = delete;
    FitOutput& operator=(const FitOutput&) = delete;

    void printHeader(const QString& header);
    // File `index` is done; may be called from any thread.
    void done(std::size_t index, FileOutcome outcome);
    bool anyFailed() const;

private:
    void print(const FileOutcome& outcome);
    void drawProgress();
    void clearProgress();

    std::ostream& out_;
    std::ostream& err_;
    const std::size_t files_;
    const bool progress_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    mutable std::mutex mutex_;
    std::map<std::size_t, FileOutcome> waiting_;  // done, but an earlier file is not
    std::size_t printed_ = 0;
    bool failed_ = false;
};

// "0:07", "12:34", "1:02:03"
QString durationText(std::chrono::seconds duration);

}  // namespace quelvar::cli
