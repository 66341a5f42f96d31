#pragma once
// What the end of a run needs from the main window for the run's timing: the
// screen it shows on, and a place to say whether the run kept its timing. The
// main window implements it; tests use a fake.
#include "datafiles/RunDescriptionFile.h"

namespace quelvar {

class RunTimingView {
public:
    virtual ~RunTimingView() = default;

    virtual ScreenFacts screenFacts() const = 0;
    // After every completed run: how many of its frames were late (0: none).
    virtual void showLastRunLateFrames(int lateFrames) = 0;
};

}  // namespace quelvar
