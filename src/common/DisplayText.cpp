#include "common/DisplayText.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace quelvar {
namespace {

ShortText rightAlign(const char* text, std::size_t length, int width)
{
    ShortText out;
    std::size_t pad = width > 0 && static_cast<std::size_t>(width) > length
                          ? static_cast<std::size_t>(width) - length : 0;
    if (pad + length > sizeof out.data)
        length = sizeof out.data - pad;
    std::memset(out.data, ' ', pad);
    std::memcpy(out.data + pad, text, length);
    out.size = static_cast<std::uint16_t>(pad + length);
    return out;
}

}  // namespace

ShortText formatIntField(std::int64_t value, int width)
{
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)ec;
    return rightAlign(buffer, static_cast<std::size_t>(end - buffer), width);
}

ShortText formatPrintfFixed(double value, int decimals, int width)
{
    if (std::isnan(value))
        return rightAlign("nan", 3, width);
    if (std::isinf(value))
        return value > 0 ? rightAlign("inf", 3, width) : rightAlign("-inf", 4, width);
    char buffer[380];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value,
                                   std::chars_format::fixed, decimals);
    if (ec != std::errc())
        return rightAlign("?", 1, width);
    return rightAlign(buffer, static_cast<std::size_t>(end - buffer), width);
}

}  // namespace quelvar
