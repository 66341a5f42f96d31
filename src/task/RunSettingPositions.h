#pragma once
// Positions of the main window's four run-setting spinners, as the
// controller last heard them; the timing record describes a run with them.
#include <cstdint>

namespace quelvar {

struct RunSettingPositions {
    std::int16_t Diff = 3;     // 1 ... 5
    std::int16_t Disturb = 1;  // 1 ... 10
    std::int16_t NRuns = 1;    // 1 ... 15
    std::int16_t IRI = 5;      // 5 ... 300 seconds
};

}  // namespace quelvar
