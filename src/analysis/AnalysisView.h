#pragma once
// What the analysis routines show in the analysis window. The window
// implements it; with no window (command line, hidden use in tests) the
// routines run against a null view.
#include <QString>
#include <string_view>

namespace quelvar {

class AnalysisView {
public:
    virtual ~AnalysisView() = default;

    virtual void setModelErrorText(std::string_view text) = 0;     // ErrFitEdit
    virtual void setTrackingErrorText(std::string_view text) = 0;  // ErrPredEdit
    virtual void setParamFileNameText(const QString& text) = 0;    // ParamFileNameEdit
    virtual void setFileText(const QString& text) = 0;             // FileEdit
    virtual void setDifficultyText(const QString& text) = 0;       // DiffEdit
    virtual void setDisturbanceText(const QString& text) = 0;      // DistNoEdit
    virtual void setErrorKeyCaptions(const QString& text) = 0;     // Label13, then Label3
    // The spinner positions in the shared state changed: mirror them.
    virtual void spinnerPositionsChanged() = 0;
};

}  // namespace quelvar
