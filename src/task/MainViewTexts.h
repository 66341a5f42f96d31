#pragma once
// The controller's side of the main window's boxes: remembers what each box
// shows and passes a text on to the window only when it changes, so that the
// 60 frames a second cost no widget updates (and no allocations) while a
// box's text stands still. The status text and colour live in the experiment
// state, since the Start and Abort handlers read them back.
#include "common/DisplayText.h"
#include "common/ExperimentState.h"
#include "task/MainView.h"

#include <QString>
#include <cstdint>

namespace quelvar {

// The status texts. Literal-backed, so assigning them never allocates.
inline const QString kStatusInactive = QStringLiteral("Inactive");
inline const QString kStatusPractice = QStringLiteral("Pre-run Practice");
inline const QString kStatusStartTracking = QStringLiteral("Start Tracking");
inline const QString kStatusRecording = QStringLiteral("Recording Data");
inline const QString kStatusIdle = QStringLiteral("Idle");

class MainViewTexts {
public:
    MainViewTexts(MainView& view, ExperimentState& experiment) : view_(view), experiment_(experiment) {}

    // The status changes only with the controller's state, never frame by
    // frame, so it is passed on every time it is set.
    void setStatus(const QString& text, QRgb color)
    {
        experiment_.StatusText = text;
        experiment_.StatusColor = color;
        view_.setStatus(text, color);
    }
    void setStatusText(const QString& text) { setStatus(text, experiment_.StatusColor); }
    void setStatusColor(QRgb color) { setStatus(experiment_.StatusText, color); }

    void setElapsedTime(const ShortText& text)
    {
        if (elapsedShown_ && text.view() == elapsed_.view())
            return;
        elapsed_ = text;
        elapsedShown_ = true;
        view_.setElapsedTimeText(elapsed_.view());
    }
    void setElapsedSeconds(std::int64_t seconds) { setElapsedTime(formatIntField(seconds, 3)); }

    void setRunNumber(std::int32_t runNumber)
    {
        const ShortText text = formatIntField(runNumber, 3);
        if (runNumberShown_ && text.view() == runNumber_.view())
            return;
        runNumber_ = text;
        runNumberShown_ = true;
        view_.setRunNumberText(runNumber_.view());
    }

    void setDataFile(const QString& name)
    {
        if (dataFileShown_ && name == dataFile_)
            return;
        dataFile_ = name;
        dataFileShown_ = true;
        view_.setDataFileText(name);
    }

    std::string_view elapsedTime() const { return elapsed_.view(); }
    std::string_view runNumber() const { return runNumber_.view(); }
    const QString& dataFile() const { return dataFile_; }
    MainView& view() { return view_; }

private:
    MainView& view_;
    ExperimentState& experiment_;
    ShortText elapsed_;
    ShortText runNumber_;
    QString dataFile_;
    bool elapsedShown_ = false;
    bool runNumberShown_ = false;
    bool dataFileShown_ = false;
};

}  // namespace quelvar
