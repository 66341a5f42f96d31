#pragma once
// An analysis view for tests: keeps the last text of every box and counts
// the updates a test may care about.
#include "analysis/AnalysisView.h"

#include <QString>

namespace quelvar::test {

class RecordingAnalysisView : public AnalysisView {
public:
    QString modelError, trackingError, paramName, file, difficulty, disturbance, captions;
    int spinnerUpdates = 0;
    int modelErrorUpdates = 0;

    void setModelErrorText(std::string_view t) override
    {
        modelError = QString::fromLatin1(t.data(), qsizetype(t.size()));
        ++modelErrorUpdates;
    }
    void setTrackingErrorText(std::string_view t) override
    {
        trackingError = QString::fromLatin1(t.data(), qsizetype(t.size()));
    }
    void setParamFileNameText(const QString& t) override { paramName = t; }
    void setFileText(const QString& t) override { file = t; }
    void setDifficultyText(const QString& t) override { difficulty = t; }
    void setDisturbanceText(const QString& t) override { disturbance = t; }
    void setErrorKeyCaptions(const QString& t) override { captions = t; }
    void spinnerPositionsChanged() override { ++spinnerUpdates; }
};

}  // namespace quelvar::test
