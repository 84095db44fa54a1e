#include "ValueTipText.h"

#include <array>
#include <string_view>

namespace tonvara {

namespace {

constexpr std::array<const char *, 16> kDelayTexts = {
    "12ms",  "24ms",  "36ms",  "49ms",  "61ms",  "73ms",  "86ms",  "98ms",
    "110ms", "122ms", "135ms", "147ms", "159ms", "172ms", "184ms", "196ms"};
constexpr std::array<const char *, 7> kLimitTexts = {"OFF",  "0.775V", "1V", "1.2V",
                                                     "1.5V", "1.75V",  "2V"};

template <std::size_t N> std::string tableText(const std::array<const char *, N> &table, int v)
{
    // A host that pairs a table type with a larger range gets the plain number, not a crash.
    if (v < 0 || v >= static_cast<int>(N))
        return std::to_string(v);
    return table[static_cast<std::size_t>(v)];
}

// Appended piece by piece: prefixing a literal to a temporary string trips a false
// overlap warning of GCC 12 at -O3.
std::string joined(std::string_view sign, int number, std::string_view unit)
{
    std::string text(sign);
    text += std::to_string(number);
    text += unit;
    return text;
}

std::string tenths(int v)
{
    const int magnitude = v < 0 ? -v : v;
    return joined(v < 0 ? "-" : "", magnitude / 10, ".") + std::to_string(magnitude % 10);
}

} // namespace

std::optional<std::string> valueTipText(int type, int v)
{
    switch (type) {
    case 0:
        return std::to_string(v);
    case 1:
        return tableText(kDelayTexts, v);
    case 2:
        return tenths(v) + "s";
    case 3:
        return std::to_string(v) + "ms";
    case 4:
        return std::to_string(3 * v) + "ms";
    case 5:
        return std::to_string(v) + "dB";
    case 6:
        if (v == 10)
            return "0dB";
        return joined(v > 10 ? "+" : "", v - 10, "dB");
    case 8:
        return std::to_string(10 * v + 20) + "Hz";
    case 9:
        return tableText(kLimitTexts, v);
    default:
        return std::nullopt;
    }
}

} // namespace tonvara
