// Small number rules shared by the controls: rounding (halves to the even neighbour, as every
// conversion of this program does) and the 15 twips-per-pixel relation of the 96 DPI screen.
// Pure functions; any thread.
#pragma once

#include <cmath>

namespace tonvara {

inline constexpr int kTwipsPerPixel = 15;

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
inline int roundHalfEven(double x)
{
    const double lower = std::floor(x);
    const double diff = x - lower;
    double r = lower;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(lower, 2.0) != 0.0))
        r = lower + 1.0;
    return static_cast<int>(r);
}

inline int twipsToPixels(double twips)
{
    return roundHalfEven(twips / kTwipsPerPixel);
}

// Pixel size of a font given in points at 96 DPI, so drawings do not depend on the device.
inline int pointsToPixels(double points)
{
    return roundHalfEven(points * 96.0 / 72.0);
}

} // namespace tonvara
