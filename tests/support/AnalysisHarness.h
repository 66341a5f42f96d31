#pragma once
// An analysis session as the window drives it, on a state of its own, with
// scripted dialogs, a view that records every box and a folder for files.
#include "analysis/AnalysisSession.h"
#include "support/RecordingAnalysisView.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"

#include <array>
#include <memory>

namespace quelvar::test {

struct AnalysisHarness {
    std::unique_ptr<SharedState> state = std::make_unique<SharedState>();
    ScriptedDialogs dialogs;
    RecordingAnalysisView view;
    AnalysisSession session{*state, dialogs};
    TempFolder folder;

    AnalysisHarness() { session.setView(&view); }
};

// The four spinners' positions: delay, gain, damping, reference.
inline std::array<int, 4> positions(const ParameterSpinners& s)
{
    return {s.InDelayUpDown.Position, s.OutGainUpDown.Position, s.DampUpDown.Position,
            s.RefUpDown.Position};
}

}  // namespace quelvar::test
