#include "analysis/AnalysisSession.h"

#include "analysis/AnalysisGraphs.h"
#include "analysis/AutoFit.h"
#include "analysis/ControlModel.h"
#include "common/DisplayText.h"
#include "datafiles/DataFile.h"
#include "datafiles/PathRules.h"

#include <QFileInfo>

namespace quelvar {
namespace {

const QString kTextFilter = QString::fromLatin1(kDataFileFilter);
const QString kParameterFilter = QStringLiteral("Parameter files (*.par)|*.par");
const QString kIoError = QStringLiteral("File I/O error.");
const QString kNotFound = QStringLiteral("File not found.");

QString intBox(std::int32_t value)
{
    const ShortText text = formatIntField(value, 3);
    return QString::fromLatin1(text.data, text.size);
}

}  // namespace

AnalysisSession::AnalysisSession(SharedState& state, Dialogs& dialogs)
    : state_(state), dialogs_(dialogs)
{
}

void AnalysisSession::setView(AnalysisView* view) { view_ = view; }

void AnalysisSession::setGraphs(AnalysisGraphs* graphs) { graphs_ = graphs; }

void AnalysisSession::AnalysisFrame()
{
    if (graphs_)
        graphs_->DrawRunGraph();
    ReadParameters();
    RunModel();
    ComputeErrors();
    if (graphs_)
        graphs_->DrawModelGraph(1200.0);
}

void AnalysisSession::ReadParameters()
{
    ModelParameters& p = state_.analysis.Parameters;
    const ParameterSpinners& s = state_.analysis.Spinners;
    p.OutGain = s.OutGainUpDown.Position;
    p.InDelay = s.InDelayUpDown.Position;
    p.Damp = s.DampUpDown.Position;
    p.Ref = s.RefUpDown.Position;
}

void AnalysisSession::RunModel()
{
    AnalysisState& a = state_.analysis;
    ::quelvar::RunModel(a.Parameters, a.ModelTimeStep, state_.run, a.Delay, a.Results);
}

void AnalysisSession::ComputeErrors()
{
    ::quelvar::ComputeErrors(state_.analysis.Results);
    showErrors();
}

void AnalysisSession::showErrors()
{
    if (!view_)
        return;
    const ModelResults& r = state_.analysis.Results;
    view_->setModelErrorText(formatPrintfFixed(r.ModelRmsError, 3, 6).view());
    view_->setTrackingErrorText(formatPrintfFixed(r.TrackingRmsError, 3, 6).view());
}

namespace {

// A user's click moves the spinner (held within its range) and puts the new
// position into that spinner's field alone.
void clickSpinner(Spinner& spinner, double& field, int position)
{
    spinner.setPositionFrom(position);
    field = spinner.Position;
}

}  // namespace

void AnalysisSession::InDelayUpDownClick(int position)
{
    clickSpinner(state_.analysis.Spinners.InDelayUpDown, state_.analysis.Parameters.InDelay, position);
}

void AnalysisSession::OutGainUpDownClick(int position)
{
    clickSpinner(state_.analysis.Spinners.OutGainUpDown, state_.analysis.Parameters.OutGain, position);
}

void AnalysisSession::DampUpDownClick(int position)
{
    clickSpinner(state_.analysis.Spinners.DampUpDown, state_.analysis.Parameters.Damp, position);
}

void AnalysisSession::RefUpDownClick(int position)
{
    clickSpinner(state_.analysis.Spinners.RefUpDown, state_.analysis.Parameters.Ref, position);
}

void AnalysisSession::FitPass()
{
    ModelParameters& p = state_.analysis.Parameters;
    ParameterSpinners& s = state_.analysis.Spinners;
    auto evaluate = [this] {
        RunModel();
        ComputeErrors();
        return state_.analysis.Results.ModelRmsError;
    };
    struct Search {
        double& field;
        Spinner& spinner;
    };
    const Search order[] = {
        {p.OutGain, s.OutGainUpDown},
        {p.Ref, s.RefUpDown},
        {p.InDelay, s.InDelayUpDown},
        {p.Damp, s.DampUpDown},
    };
    for (const Search& search : order) {
        FitParameter(search.field, search.spinner.Min, search.spinner.Max, evaluate);
        search.spinner.setPositionFrom(search.field);
        if (view_)
            view_->spinnerPositionsChanged();
    }
}

void AnalysisSession::AutoFitBtnClick()
{
    for (int pass = 0; pass < 5; ++pass)
        FitPass();
}

void AnalysisSession::FitAndSaveAfterRun(std::int32_t difficulty, std::int32_t disturbanceNumber)
{
    FitPass();
    // The file's error line must describe the fitted parameters on the line
    // above it, not the last trial of the damping search.
    RunModel();
    ComputeErrors();
    SaveParametersAuto(difficulty, disturbanceNumber);
}

void AnalysisSession::PrepareForShow()
{
    const ExperimentState& e = state_.experiment;
    if (view_) {
        if (e.RunAvailable) {
            view_->setDifficultyText(intBox(e.Difficulty));
            view_->setDisturbanceText(intBox(e.DisturbanceNumber));
        }
        const QString& name = state_.files.DataFileName;
        view_->setFileText(name.isEmpty() ? QStringLiteral("Default.txt") : name);
    }
    ComputeMagnifiedRunError(state_.run);
}

void AnalysisSession::ReadDataFile()
{
    const FileDialogRequest request{kTextFilter, QStringLiteral("txt"), QString(), openDialogFileName_};
    const std::optional<QString> path = dialogs_.openFile(request);
    if (!path)
        return;
    openDialogFileName_ = *path;
    LoadDataFile(*path);
}

bool AnalysisSession::LoadDataFile(const QString& path)
{
    DataFileNames& files = state_.files;
    files.DataFilePath = path;
    files.DataFileName = bareFileName(path);
    files.ChosenForRecording = false;

    const DataFileReadResult result = readDataFile(path, state_.run);
    if (result.outcome == DataFileReadResult::NotFound) {
        dialogs_.fileFailed(Dialogs::Box::Error, kNotFound, result.error);
        return false;
    }
    if (result.outcome == DataFileReadResult::NotValid) {
        dialogs_.error(files.DataFileName + QStringLiteral(" is not a valid data file."));
        return false;
    }
    if (result.headerValid && view_)
        view_->setFileText(files.DataFileName);
    if (result.identityRead) {
        files.LoadedDifficulty = result.difficulty;
        files.LoadedDisturbanceNumber = result.disturbanceNumber;
    }
    switch (result.outcome) {
    case DataFileReadResult::Loaded:
        state_.experiment.RunAvailable = true;
        if (view_) {
            view_->setDifficultyText(intBox(files.LoadedDifficulty));
            view_->setDisturbanceText(intBox(files.LoadedDisturbanceNumber));
        }
        return true;
    case DataFileReadResult::WrongCount:
        dialogs_.error(wrongCountMessage());
        return false;
    default:
        dialogs_.fileFailed(Dialogs::Box::Error, kIoError, result.error);
        return false;
    }
}

ParameterFileValues parameterFileValues(const SharedState& state)
{
    return parameterFileValues(state, state.analysis.Parameters, state.analysis.Results.ModelRmsError);
}

ParameterFileValues parameterFileValues(const SharedState& state, const ModelParameters& parameters,
                                        double modelRmsError)
{
    ParameterFileValues values;
    values.difficulty = state.files.LoadedDifficulty;
    values.disturbanceNumber = state.files.LoadedDisturbanceNumber;
    values.inputDelay = parameters.InDelay;
    values.outputGain = parameters.OutGain / 10;
    values.damping = parameters.Damp / 1000;
    values.reference = parameters.Ref / 10;
    values.modelRmsError = modelRmsError;
    values.trackingRmsError = state.analysis.Results.TrackingRmsError;
    return values;
}

void AnalysisSession::WriteParameterFile() { writeParameters(parameterFileValues(state_)); }

void AnalysisSession::writeParameters(const ParameterFileValues& values)
{
    const AnalysisState& a = state_.analysis;
    if (const FileResult written = writeParameterFile(a.ParamFilePath, values); !written.ok()) {
        dialogs_.fileFailed(Dialogs::Box::Error, kIoError, *written);
        return;
    }
    if (view_)
        view_->setParamFileNameText(a.ParamFileName);
}

void AnalysisSession::SaveParametersAs()
{
    AnalysisState& a = state_.analysis;
    const FileDialogRequest request{kParameterFilter, QStringLiteral("par"), QString(),
                                    replaceExtension(state_.files.DataFilePath, QStringLiteral(".par"))};
    const std::optional<QString> path = dialogs_.saveFile(request);
    // A cancelled dialog saves nothing: writing to the previous path would
    // replace an earlier parameter file without asking.
    if (!path)
        return;
    a.ParamFilePath = *path;
    a.ParamFileName = bareFileName(*path);
    if (view_)
        view_->setParamFileNameText(a.ParamFileName);
    if (QFileInfo::exists(a.ParamFilePath)) {
        if (!dialogs_.confirm(a.ParamFileName + QStringLiteral(" already exists.  Overwrite?"))) {
            if (view_)
                view_->setParamFileNameText(QStringLiteral("Save aborted"));
            return;
        }
        if (view_)
            view_->setParamFileNameText(QStringLiteral("Overwriting"));
    }
    WriteParameterFile();
}

void AnalysisSession::SaveParametersAuto(std::int32_t difficulty, std::int32_t disturbanceNumber)
{
    state_.analysis.ParamFilePath = seriesParameterFilePath(state_.files.DataFilePath);
    // The window's Loaded values belong to the last file it read, not to the
    // run just recorded, and stay as they are.
    ParameterFileValues values = parameterFileValues(state_);
    values.difficulty = difficulty;
    values.disturbanceNumber = disturbanceNumber;
    writeParameters(values);
}

void AnalysisSession::RetrieveParameters()
{
    openDialogFileName_.clear();
    const FileDialogRequest request{kParameterFilter, QStringLiteral("par"), QString(), QString()};
    const std::optional<QString> path = dialogs_.openFile(request);
    if (!path)
        return;
    openDialogFileName_ = *path;
    RetrieveParametersFrom(*path);
}

bool AnalysisSession::RetrieveParametersFrom(const QString& path)
{
    AnalysisState& a = state_.analysis;
    a.ParamFilePath = path;
    a.ParamFileName = bareFileName(path);

    const ParameterFileReadResult result = readParameterFile(path);
    switch (result.outcome) {
    case ParameterFileReadResult::NotFound:
        dialogs_.fileFailed(Dialogs::Box::Information, kNotFound, result.error);
        return false;
    case ParameterFileReadResult::NotValid:
        dialogs_.error(a.ParamFileName + QStringLiteral(" is not a valid parameter file."));
        return false;
    case ParameterFileReadResult::IoError:
        if (result.headerValid && view_)
            view_->setParamFileNameText(a.ParamFileName);
        dialogs_.fileFailed(Dialogs::Box::Error, kIoError, result.error);
        return false;
    case ParameterFileReadResult::Loaded:
        break;
    }

    if (view_)
        view_->setParamFileNameText(a.ParamFileName);
    const ParameterFileValues& v = result.values;
    state_.files.LoadedDifficulty = v.difficulty;
    state_.files.LoadedDisturbanceNumber = v.disturbanceNumber;
    a.Parameters.InDelay = v.inputDelay;
    a.Parameters.OutGain = v.outputGain * 10;
    a.Parameters.Damp = v.damping * 1000;
    a.Parameters.Ref = v.reference * 10;
    a.Results.ModelRmsError = v.modelRmsError;
    a.Results.TrackingRmsError = v.trackingRmsError;
    a.Spinners.InDelayUpDown.setPositionFrom(a.Parameters.InDelay);
    a.Spinners.OutGainUpDown.setPositionFrom(a.Parameters.OutGain);
    a.Spinners.DampUpDown.setPositionFrom(a.Parameters.Damp);
    a.Spinners.RefUpDown.setPositionFrom(a.Parameters.Ref);
    if (view_)
        view_->spinnerPositionsChanged();
    return true;
}

void AnalysisSession::Rescale1Click()
{
    AnalysisState& a = state_.analysis;
    a.ErrorMagnified = !a.ErrorMagnified;
    if (view_)
        view_->setErrorKeyCaptions(a.ErrorMagnified ? QStringLiteral("Error X 5") : QStringLiteral("Error"));
}

}  // namespace quelvar
