#include "cli/FitJob.h"

#include "analysis/AnalysisSession.h"
#include "cli/BatchDialogs.h"
#include "common/Rounding.h"
#include "datafiles/FileSink.h"
#include "datafiles/PathRules.h"

#include <QFileInfo>

namespace quelvar::cli {
namespace {

// The window shows a field's rounded value held within its spinner's range;
// a field that rounds outside it shows as the bound, which the fit did not use.
bool clipped(double field, const Spinner& spinner)
{
    const std::int64_t position = roundHalfEven(field);
    return position < spinner.Min || position > spinner.Max;
}

bool anyFieldClipped(const AnalysisState& a)
{
    const ParameterSpinners& s = a.Spinners;
    return clipped(a.Parameters.InDelay, s.InDelayUpDown) || clipped(a.Parameters.OutGain, s.OutGainUpDown)
        || clipped(a.Parameters.Damp, s.DampUpDown) || clipped(a.Parameters.Ref, s.RefUpDown);
}

}  // namespace

void fitFile(FileJob& job, const ParameterSpinners& start, bool thorough, bool uncertainty)
{
    BatchDialogs dialogs;
    SharedState& state = *job.state;
    AnalysisSession session(state, dialogs);
    state.analysis.Spinners = start;

    if (!session.LoadDataFile(QFileInfo(job.file).absoluteFilePath())) {
        job.messages = dialogs.messages;
        return;
    }
    session.AnalysisFrame();
    session.AutoFitBtnClick();
    job.autoFitClipped = anyFieldClipped(state.analysis);
    session.AnalysisFrame();
    state.analysis.ParamFilePath = job.parameterPath;
    state.analysis.ParamFileName = bareFileName(job.parameterPath);
    session.WriteParameterFile();
    job.messages = dialogs.messages;
    job.ok = dialogs.messages.isEmpty();
    if (job.ok && thorough) {
        // Auto Fit as the window shows it is a candidate, so the thorough fit
        // is never worse.
        const ParameterSpinners& spinners = state.analysis.Spinners;
        job.thorough = thoroughFit(state.run, state.analysis.ModelTimeStep, SearchSpace::ofSpinners(spinners),
                                   settingOf(spinners));
        if (uncertainty)
            addUncertainty(job);
    }
}

void addUncertainty(FileJob& job)
{
    const AnalysisState& a = job.state->analysis;
    job.uncertainty = fitUncertainty(job.state->run, a.ModelTimeStep, SearchSpace::ofSpinners(a.Spinners), *job.thorough);
}

}  // namespace quelvar::cli
