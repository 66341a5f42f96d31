#pragma once
// A Dialogs fake for tests: answers from a script and records every box.
#include "common/Dialogs.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace quelvar::test {

class ScriptedDialogs : public Dialogs {
public:
    struct Box {
        QString kind;  // "Information", "Error" or "Confirm"
        QString text;
    };

    std::vector<Box> boxes;
    std::vector<FileDialogRequest> openRequests;
    std::vector<FileDialogRequest> saveRequests;

    std::deque<bool> confirmAnswers;                  // default: Yes
    // Runs while a confirmation box is open, as the frames do under a real one.
    std::function<void()> whileConfirmOpen;
    std::deque<std::optional<QString>> openAnswers;   // default: cancel
    std::deque<std::optional<QString>> saveAnswers;   // default: cancel

    void information(const QString& text) override { boxes.push_back({"Information", text}); }
    void error(const QString& text) override { boxes.push_back({"Error", text}); }
    bool confirm(const QString& text) override
    {
        boxes.push_back({"Confirm", text});
        if (whileConfirmOpen)
            whileConfirmOpen();
        if (confirmAnswers.empty())
            return true;
        bool answer = confirmAnswers.front();
        confirmAnswers.pop_front();
        return answer;
    }
    std::optional<QString> openFile(const FileDialogRequest& request) override
    {
        openRequests.push_back(request);
        return next(openAnswers);
    }
    std::optional<QString> saveFile(const FileDialogRequest& request) override
    {
        saveRequests.push_back(request);
        return next(saveAnswers);
    }

    QStringList texts() const
    {
        QStringList out;
        for (const Box& b : boxes)
            out << b.kind + ": " + b.text;
        return out;
    }

private:
    static std::optional<QString> next(std::deque<std::optional<QString>>& answers)
    {
        if (answers.empty())
            return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

}  // namespace quelvar::test
