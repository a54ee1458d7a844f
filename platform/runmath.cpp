#include "platform/runmath.h"

#include "platform/rounding.h"

#include <algorithm>
#include <cmath>

namespace ql {

AxisRange GridAxisRange(double lo, double hi, double unit)
{
    const double divisions = (hi - lo) / (unit / 10);
    const long long steps = std::llround(RoundHalfEven(std::clamp(divisions, -1e15, 1e15)));
    const long long r = steps % 10;
    if (r == 0)
        return {lo, hi};
    if (lo > unit)
        return {lo - double(10 - r) * unit / 20, hi + double(10 - r) * unit / 20};
    return {lo, hi + double(10 - r) * unit / 10};
}

} // namespace ql
