#pragma once
// The participant model: a leaky integrator in a negative feedback loop with
// an input delay, simulated over the 3600 frames of a run, and the two % RMS
// errors. Neither routine allocates.
#include "analysis/ModelState.h"
#include "task/RunRecord.h"

namespace quelvar {

// Rewrites the three traces from the parameters, the target and the mouse.
void RunModel(const ModelParameters& parameters, double timeStep, const RunRecord& run,
              DelayLine& delay, ModelResults& results);

// Sets ModelRmsError and TrackingRmsError from the traces.
void ComputeErrors(ModelResults& results);

}  // namespace quelvar
