#pragma once
// Everything the analysis side keeps: the model's parameters (in spinner
// units), the four parameter spinners, the model's traces and errors, the
// parameter file names and the error magnification of the graphs.
#include "common/Rounding.h"
#include "common/RunRecord.h"

#include <QString>
#include <array>
#include <cstdint>

namespace quelvar {

struct ModelParameters {
    double InDelay = 0.0;  // frames
    double OutGain = 0.0;  // gain x 10
    double Damp = 0.0;     // damping constant x 1000
    double Ref = 0.0;      // position units x 10
};

// An up-down control's value: 16-bit position held within [Min, Max].
struct Spinner {
    std::int16_t Position;
    std::int16_t Min;
    std::int16_t Max;

    // Sets the position from a real, rounding halves to even and holding it
    // within range; safe for any double.
    void setPositionFrom(double value)
    {
        Position = static_cast<std::int16_t>(roundHalfEvenClamped(value, Min, Max));
    }
};

struct ParameterSpinners {
    Spinner InDelayUpDown{2, 0, 16};
    Spinner OutGainUpDown{20, 0, 500};
    Spinner DampUpDown{20, 0, 1000};
    Spinner RefUpDown{0, -100, 100};
};

// The delay of the model's perception: a ring of 256 slots.
struct DelayLine {
    std::array<double, 256> Slots{};
    std::uint8_t WriteIndex = 0;
};

struct ModelResults {
    FrameArray ModelMouseTrace{};
    FrameArray ModelErrorTrace{};     // o(i) - M(i)
    FrameArray TrackingErrorTrace{};  // M(i) - T(i)
    double ModelRmsError = 0.0;
    double TrackingRmsError = 0.0;
    // The sums of squares of the two error traces, taken by RunModel while it
    // writes them, in the frame order ComputeErrors would use. The next
    // ComputeErrors takes them instead of reading the traces again.
    double ModelErrorSquares = 0.0;
    double TrackingErrorSquares = 0.0;
    bool SquaresCurrent = false;
};

struct AnalysisState {
    ModelParameters Parameters;
    ParameterSpinners Spinners;
    ModelResults Results;
    DelayLine Delay;
    double ModelTimeStep = 1.0 / 60.0;
    QString ParamFilePath;
    QString ParamFileName;
    bool ErrorMagnified = false;
};

}  // namespace quelvar
