#pragma once
// printf-style texts for the windows' boxes ("%3d", "%6.3f"), built without
// the C locale so that a decimal-comma desktop still shows "." and without
// heap allocation so that the frame path can call them 60 times a second.
#include <cstdint>
#include <string_view>

namespace quelvar {

// A short text held in place; enough for any "%3d" or "%6.3f" of a double.
struct ShortText {
    char data[400];
    std::uint16_t size = 0;
    std::string_view view() const { return {data, size}; }
};

// Like "%<width>d".
ShortText formatIntField(std::int64_t value, int width);

// Like "%<width>.<decimals>f": correctly rounded from the exact binary value,
// "nan"/"inf"/"-inf" for values that are not finite, right-aligned.
ShortText formatPrintfFixed(double value, int decimals, int width);

}  // namespace quelvar
