#pragma once
// The analysis routines behind the analysis window's controls: loading a data
// file, running the model, fitting, saving and retrieving parameters. They
// work on the shared state whether the window is shown, hidden or absent.
#include "analysis/AnalysisView.h"
#include "common/Dialogs.h"
#include "common/SharedState.h"
#include "datafiles/ParameterFile.h"

namespace quelvar {

class AnalysisGraphs;

// What a parameter file written now holds: the identity of the last file read
// in the analysis window, the parameters in model units and the errors as
// last computed.
ParameterFileValues parameterFileValues(const SharedState& state);
// The same with other parameters (spinner units) and their model error.
ParameterFileValues parameterFileValues(const SharedState& state, const ModelParameters& parameters,
                                        double modelRmsError);

class AnalysisSession {
public:
    AnalysisSession(SharedState& state, Dialogs& dialogs);

    void setView(AnalysisView* view);      // nullptr: nothing is shown
    void setGraphs(AnalysisGraphs* graphs); // nullptr: no graphs are drawn

    SharedState& state() { return state_; }

    // One analysis frame of the controller (only while a run is available):
    // DrawRunGraph, ReadParameters, RunModel, ComputeErrors, DrawModelGraph(1200).
    void AnalysisFrame();

    // Model and error measures.
    void ReadParameters();
    void RunModel();
    void ComputeErrors();  // also shows both errors ("%6.3f")

    // Spinner clicks: the spinner's new position goes into its own field only.
    void InDelayUpDownClick(int position);
    void OutGainUpDownClick(int position);
    void DampUpDownClick(int position);
    void RefUpDownClick(int position);

    // Automatic fit: one pass over gain, reference, delay, damping; "Auto Fit"
    // is five passes.
    void FitPass();
    void AutoFitBtnClick();

    // What "Analyze Data" puts into the window before showing it.
    void PrepareForShow();

    // "Open Data File".
    void ReadDataFile();

    // Parameter files.
    void WriteParameterFile();   // to ParamFilePath; reports its own failure
    void SaveParametersAs();     // "Save Parameters"
    // End of a series run: the parameter file names the run it describes.
    void SaveParametersAuto(std::int32_t difficulty, std::int32_t disturbanceNumber);
    void RetrieveParameters();   // "Retrieve Parameters"

    // End of a recorded run of a series: FitPass, the model and errors once
    // more with the fitted values, then SaveParametersAuto with the run's
    // difficulty and disturbance number (those on its data file's line 2).
    void FitAndSaveAfterRun(std::int32_t difficulty, std::int32_t disturbanceNumber);

    // "Rescale Error".
    void Rescale1Click();

    // Loads a data file from `path` with every rule and message of "Open Data
    // File" after its dialog. True when the run was loaded.
    bool LoadDataFile(const QString& path);

    // Applies a retrieval from `path` after its dialog. True when retrieved.
    bool RetrieveParametersFrom(const QString& path);

    // The dialogs' remembered names (OpenDialog1's file name).
    QString openDialogFileName() const { return openDialogFileName_; }

private:
    void showErrors();
    void writeParameters(const ParameterFileValues& values);

    SharedState& state_;
    Dialogs& dialogs_;
    AnalysisView* view_ = nullptr;
    AnalysisGraphs* graphs_ = nullptr;
    QString openDialogFileName_ = QStringLiteral("./Default.txt");
};

}  // namespace quelvar
