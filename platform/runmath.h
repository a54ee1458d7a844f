#pragma once
// The arithmetic a run's curves share wherever they are drawn: the capacity
// summed up from rows of time and current, and the axis range that fits a
// run's values to the chart's grid.
#include <cstdint>

namespace ql {

// Capacity in milliampere-seconds summed over rows in the order given: each
// row adds the current times the interval since the previous row's time
// (from 0 for the first row). The sum is kept in single precision, each
// step worked out in double.
struct CapacitySum {
    float mas = 0;
    double previous = 0;  // the previous row's time in seconds
    // Adds a row of time t and current amps; the next interval starts at
    // next (t, or t as the caller rounds it). Returns the step in mA*s.
    double add(double t, double amps, double next)
    {
        const double step = amps * (t - previous) * 1000;
        mas = static_cast<float>(mas + step);
        previous = next;
        return step;
    }
    double add(double t, double amps) { return add(t, amps, t); }
};

struct AxisRange {
    double lo = 0, hi = 0;
};
// The Y range of an axis whose grid has ten divisions of unit / 10: the span
// hi - lo grows to a whole number of units (counted in divisions, rounded to
// the nearest). The growth is split over both ends when lo is above one unit,
// else it all goes to the top. A range already whole stays as it is.
AxisRange GridAxisRange(double lo, double hi, double unit);

} // namespace ql
