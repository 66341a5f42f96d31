#include "analysis/ControlModel.h"

#include "common/Rounding.h"

#include <cmath>
#include <cstdint>

namespace quelvar {

namespace {

std::uint8_t delayFrames(double inDelay)
{
    // Beyond 2^63 every double is a multiple of 256, so the delay is 0
    // frames; rounding there would saturate instead.
    if (std::fabs(inDelay) >= 9223372036854775808.0)
        return 0;
    // Masking to 8 bits is the ring's own modulo 256, so a delay of -2
    // reads the slot 254 places back like the ring would.
    return static_cast<std::uint8_t>(roundHalfEven(inDelay) & 0xFF);
}

// The output recurrence, the one part of the simulation that must run frame
// by frame. Its speed is bounded by the chain o(i-1) -> o(i), so the limits
// are tested with one rarely taken branch instead of a select on that chain,
// and without a delay the perception is used directly instead of taking the
// round trip through the ring's memory. The traces and the error sums are off
// that chain and ride along in the same loop, in frame order, so their bits
// are those of separate passes. Either way the arithmetic is exactly the
// written one.
template <bool kNoDelay>
std::uint8_t simulate(double G, double K, double r, std::uint8_t d, double timeStep,
                      const RunRecord& run, double* ring, std::uint8_t writeIndex,
                      ModelResults& results)
{
    const double* const target = run.Target.data();
    const double* const mouse = run.Mouse.data();
    double* const out = results.ModelMouseTrace.data();
    double* const modelError = results.ModelErrorTrace.data();
    double* const trackingError = results.TrackingErrorTrace.data();
    double modelSum = 0.0;
    double trackingSum = 0.0;
    double o = mouse[1];
    for (int i = 1; i <= kRunFrames; ++i) {
        const double p = o - target[i];
        ++writeIndex;
        ring[writeIndex] = p;
        const double q = kNoDelay ? p : ring[static_cast<std::uint8_t>(writeIndex - d)];
        const double e = r - q;
        double next = o + (G * e - K * o) * timeStep;
        // Above 1000 goes to 1000; below -1000, and NaN, go to -1000.
        if (__builtin_expect(!(next <= 1000.0 && next >= -1000.0), 0))
            next = next > 1000.0 ? 1000.0 : -1000.0;
        o = next;
        out[i] = o;
        const double modelDifference = o - mouse[i];
        modelError[i] = modelDifference;
        modelSum = modelSum + modelDifference * modelDifference;
        const double trackingDifference = mouse[i] - target[i];
        trackingError[i] = trackingDifference;
        trackingSum = trackingSum + trackingDifference * trackingDifference;
    }
    results.ModelErrorSquares = modelSum;
    results.TrackingErrorSquares = trackingSum;
    results.SquaresCurrent = true;
    return writeIndex;
}

}  // namespace

ModelConstants modelConstants(const ModelParameters& parameters)
{
    ModelConstants c;
    c.K = parameters.Damp * 0.001;
    c.G = parameters.OutGain * 0.1;
    c.d = delayFrames(parameters.InDelay);
    c.r = static_cast<double>(roundHalfEven(parameters.Ref / 10.0));
    return c;
}

void RunModel(const ModelParameters& parameters, double timeStep, const RunRecord& run,
              DelayLine& delay, ModelResults& results)
{
    delay.Slots.fill(0.0);
    const ModelConstants c = modelConstants(parameters);
    delay.WriteIndex = c.d == 0
        ? simulate<true>(c.G, c.K, c.r, c.d, timeStep, run, delay.Slots.data(), delay.WriteIndex, results)
        : simulate<false>(c.G, c.K, c.r, c.d, timeStep, run, delay.Slots.data(), delay.WriteIndex, results);
}

double rmsPercent(double sumOfSquares, int frames)
{
    return std::sqrt(sumOfSquares / static_cast<double>(frames)) * 100.0 / 1000.0;
}

double sumOfSquares(const FrameArray& trace, const FrameRange& range)
{
    const double* const values = trace.data();
    double sum = 0.0;
    for (int i = range.first; i <= range.last; ++i)
        sum = sum + values[i] * values[i];
    return sum;
}

void ComputeErrors(ModelResults& results)
{
    double modelSum = results.ModelErrorSquares;
    double trackingSum = results.TrackingErrorSquares;
    if (!results.SquaresCurrent) {
        modelSum = sumOfSquares(results.ModelErrorTrace);
        trackingSum = sumOfSquares(results.TrackingErrorTrace);
    }
    // A later call reads the traces, which a caller may have set since.
    results.SquaresCurrent = false;
    results.ModelRmsError = rmsPercent(modelSum);
    results.TrackingRmsError = rmsPercent(trackingSum);
}

}  // namespace quelvar
