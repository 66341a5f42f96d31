#pragma once
// A Dialogs fake for tests: answers from a script and records every box.
#include "common/Dialogs.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <type_traits>
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
        return next(confirmAnswers, true);
    }
    std::optional<QString> openFile(const FileDialogRequest& request) override
    {
        openRequests.push_back(request);
        return next(openAnswers, std::nullopt);
    }
    std::optional<QString> saveFile(const FileDialogRequest& request) override
    {
        saveRequests.push_back(request);
        return next(saveAnswers, std::nullopt);
    }

    QStringList texts() const
    {
        QStringList out;
        for (const Box& b : boxes)
            out << b.kind + ": " + b.text;
        return out;
    }

private:
    template <class T>
    static T next(std::deque<T>& answers, std::type_identity_t<T> otherwise)
    {
        if (answers.empty())
            return otherwise;
        T answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

}  // namespace quelvar::test
