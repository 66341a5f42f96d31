#pragma once
// The store one recorded run fills: frame values indexed 1 ... 3600 (slot 0 is
// unused so that frame numbers index the arrays directly).
#include <array>

namespace quelvar {

inline constexpr int kRunFrames = 3600;

using FrameArray = std::array<double, kRunFrames + 1>;

struct RunRecord {
    FrameArray Mouse{};
    FrameArray Target{};
    FrameArray Error{};              // Target - Mouse
    FrameArray MagnifiedRunError{};  // 5 x Error, for the run graph
};

// Zeroes Mouse, Target and Error (start-up and every abort).
inline void ClearRunRecord(RunRecord& run)
{
    run.Mouse.fill(0.0);
    run.Target.fill(0.0);
    run.Error.fill(0.0);
}

// MagnifiedRunError[i] = 5 x Error[i] for every frame.
inline void ComputeMagnifiedRunError(RunRecord& run)
{
    for (int i = 1; i <= kRunFrames; ++i)
        run.MagnifiedRunError[i] = 5.0 * run.Error[i];
}

}  // namespace quelvar
