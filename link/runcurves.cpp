// RunTracker: curve points and the automatic axis ranges of a slot.
#include "link/runparts.h"
#include "link/runtrack.h"

#include "link/modeltable.h"
#include "link/recv.h"
#include "link/runrecord.h"
#include "platform/rounding.h"
#include "platform/services.h"
#include "platform/settings.h"

#include <cmath>
#include <exception>

namespace ql {

using namespace runparts;

// --- Curves ------------------------------------------------------------------

void RunTracker::CurvePoint(int32_t x, float volt, float cur, float third, int slot, int chn)
{
    SlotState& s = st_.slot.at(slot);
    RunChartIf* chart = &view(slot).chart();
    const float X = static_cast<float>(x);

    // Unset pairs start from the sample or from the chart's present range.
    auto seed = [&](float& top, float& bottom, int axis, float value) {
        if (top != 0 || bottom != 0)
            return;
        if (settings().AutoScale) {
            top = bottom = value;
        } else {
            top = static_cast<float>(chart->MaxY(axis));
            bottom = static_cast<float>(chart->MinY(axis));
        }
    };
    seed(s.VolAxisMax, s.VolAxisMin, 0, volt);
    seed(s.CurAxisMax, s.CurAxisMin, 1, cur);
    seed(s.AuxAxisMax, s.AuxAxisMin, 2, third);

    auto widen = [](float& top, float& bottom, float v, float margin) {
        if (v + margin > top)
            top = roundTrip(v + margin, k1);
        if (v <= margin)
            bottom = 0;
        else if (v - margin < bottom)
            bottom = roundTrip(v - margin, k1);
    };
    widen(s.VolAxisMax, s.VolAxisMin, volt, 0.1f);
    widen(s.CurAxisMax, s.CurAxisMin, cur, 0.1f);
    widen(s.AuxAxisMax, s.AuxAxisMin, third, 1.0f);

    s.chn[chn].VoltSum += volt;
    chart->AddXY(chn * 5, X, roundTrip(volt, k000));
    chart->AddXY(chn * 5 + 1, X, roundTrip(cur, s.CurFactor == 100 ? k00 : k000));
    chart->AddXY(chn * 5 + 2, X, roundTrip(third, k1));
}

void RunTracker::AddCurvePoint(int32_t x, float volt, float cur, float third, int slot, int chn)
{
    try {
        CurvePoint(x, volt, cur, third, slot, chn);
        ScaleCurveAxes(slot);
        view(slot).chart().DrawCurve();
    } catch (const std::exception& e) {
        ErrLog(QStringLiteral("ErrCurve"), QString::fromLocal8Bit(e.what()));
    }
}

void RunTracker::AddCurvePoint2(int32_t x, float volt, float cur, float third, int slot, int chn)
{
    try {
        CurvePoint(x, volt, cur, third, slot, chn);
    } catch (const std::exception& e) {
        ErrLog(QStringLiteral("ErrCurve2"), QString::fromLocal8Bit(e.what()));
    }
}

void RunTracker::ScaleCurveAxes(int slot)
{
    const SlotState& s = st_.slot.at(slot);
    RunChartIf* chart = &view(slot).chart();

    const double t = s.CurveSecs;
    if (static_cast<float>(chart->MaxX()) < t + 5)
        chart->setMaxX(t + 30);
    if (chart->MaxX() > t + 30)
        chart->setMaxX(t + 30);

    // Grows the span to a multiple of unit, splitting the growth over both
    // ends when the bottom is clear of zero.
    auto fit = [&](int axis, float top, float bottom, double unit) {
        const float span = top - bottom;
        const long long steps = static_cast<long long>(RoundHalfEven(span / (unit / 10)));
        const long long r = steps % 10;
        double hi = top, lo = bottom;
        if (r != 0) {
            if (bottom > unit) {
                hi = top + (10 - r) * unit / 20;
                lo = bottom - (10 - r) * unit / 20;
            } else {
                hi = top + (10 - r) * unit / 10;
            }
        }
        if (chart->MinY(axis) != lo)
            chart->setMinY(axis, lo);
        if (chart->MaxY(axis) != hi)
            chart->setMaxY(axis, hi);
    };
    fit(0, s.VolAxisMax, s.VolAxisMin, 0.5);
    fit(1, s.CurAxisMax, s.CurAxisMin, HasQuirk(s.DevType, kFineCurSteps) ? 0.05 : 0.5);
    if (chart->MaxY(2) != s.AuxAxisMax)
        chart->setMaxY(2, s.AuxAxisMax);
    if (chart->MinY(2) != s.AuxAxisMin)
        chart->setMinY(2, s.AuxAxisMin);
}

} // namespace ql
