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
// round trip through the ring's memory. Either way the arithmetic is exactly
// the written one.
template <bool kNoDelay>
std::uint8_t simulateOutput(double G, double K, double r, std::uint8_t d, double timeStep,
                            const double* target, double o, double* ring, std::uint8_t writeIndex,
                            double* out)
{
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
    }
    return writeIndex;
}

}  // namespace

void RunModel(const ModelParameters& parameters, double timeStep, const RunRecord& run,
              DelayLine& delay, ModelResults& results)
{
    delay.Slots.fill(0.0);

    const double K = parameters.Damp * 0.001;
    const double G = parameters.OutGain * 0.1;
    const std::uint8_t d = delayFrames(parameters.InDelay);
    const auto r = static_cast<double>(roundHalfEven(parameters.Ref / 10.0));

    const double* const target = run.Target.data();
    const double* const mouse = run.Mouse.data();
    double* const out = results.ModelMouseTrace.data();

    delay.WriteIndex = d == 0
        ? simulateOutput<true>(G, K, r, d, timeStep, target, mouse[1], delay.Slots.data(), delay.WriteIndex, out)
        : simulateOutput<false>(G, K, r, d, timeStep, target, mouse[1], delay.Slots.data(), delay.WriteIndex, out);

    // The two difference traces need no order; these loops vectorise and
    // perform the same subtractions, so the bits are the same.
    double* const modelError = results.ModelErrorTrace.data();
    for (int i = 1; i <= kRunFrames; ++i)
        modelError[i] = out[i] - mouse[i];
    double* const trackingError = results.TrackingErrorTrace.data();
    for (int i = 1; i <= kRunFrames; ++i)
        trackingError[i] = mouse[i] - target[i];
}

void ComputeErrors(ModelResults& results)
{
    const double* const modelError = results.ModelErrorTrace.data();
    const double* const trackingError = results.TrackingErrorTrace.data();
    double modelSum = 0.0;
    double trackingSum = 0.0;
    for (int i = 1; i <= kRunFrames; ++i) {
        modelSum = modelSum + modelError[i] * modelError[i];
        trackingSum = trackingSum + trackingError[i] * trackingError[i];
    }
    results.ModelRmsError = std::sqrt(modelSum / 3600.0) * 100.0 / 1000.0;
    results.TrackingRmsError = std::sqrt(trackingSum / 3600.0) * 100.0 / 1000.0;
}

}  // namespace quelvar
