#pragma once
// The one rule by which computed values become whole numbers: to the
// nearest, halves to the even neighbour (2.5 gives 2, 3.5 gives 4). Frames,
// chart and readout geometry, run and data-file cells all round by it.
// Numbers written as text round by their pattern instead (numfmt.h).
#include <climits>
#include <cmath>

namespace ql {

// v to the nearest whole number, halves to even, whatever the floating-point
// rounding mode. The sign stays (-0.4 gives -0); NaN and infinities come
// back as they are.
inline double RoundHalfEven(double v)
{
    const double whole = std::floor(v);
    const double frac = v - whole;
    double r = whole + 1;
    if (frac < 0.5 || (frac == 0.5 && std::fmod(whole, 2.0) == 0))
        r = whole;
    return std::copysign(r, v);
}

// RoundHalfEven(v) as an int: NaN gives 0, a value beyond the int range the
// nearer bound.
inline int RoundHalfEvenInt(double v)
{
    if (std::isnan(v))
        return 0;
    const double r = RoundHalfEven(v);
    return r <= double(INT_MIN) ? INT_MIN : r >= double(INT_MAX) ? INT_MAX : int(r);
}

}  // namespace ql
