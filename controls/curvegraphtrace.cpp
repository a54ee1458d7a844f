#include "controls/curvegraphtrace.h"

#include "controls/curvegraphmath.h"
#include "platform/rounding.h"

#include <algorithm>
#include <cmath>

namespace ql::curvegraph {

namespace {

// Largest pixel offset accepted from a point; beyond it the pixel would not
// fit an int once the margins are added.
constexpr double kPixelLimit = 2.0e9;

// The whole-pixel column offset of X (before the left margin). Rounding is
// monotone, so over X that never decreases the offsets never decrease.
inline double columnOf(float X, const PixelMap& m) { return RoundHalfEven((double(X) - m.minX) / m.xScale); }

inline bool rowOf(float Y, const PixelMap& m, int& y)
{
    const double dy = (double(Y) - m.minY) / m.yScale;
    if (!(std::fabs(dy) <= kPixelLimit))
        return false;
    y = m.H - (int(RoundHalfEven(dy)) + m.margin);
    return true;
}

inline bool fits(double column) { return std::fabs(column) <= kPixelLimit; }

} // namespace

bool PixelMap::toPixel(float X, float Y, int& x, int& y) const
{
    const double c = columnOf(X, *this);
    if (!fits(c) || !rowOf(Y, *this, y))
        return false;
    x = int(c) + margin;
    return true;
}

void Trace::clear()
{
    std::vector<Run>().swap(runs_);
    failed_ = false;
}

void Trace::add(int x, int first, int top, int bottom, int last)
{
    if (!runs_.empty() && runs_.back().x == x) {
        Run& r = runs_.back();
        r.top = std::min(r.top, top);
        r.bottom = std::max(r.bottom, bottom);
        r.last = last;
        return;
    }
    runs_.push_back({x, first, top, bottom, last});
}

void Trace::addVertex(float X, float Y, const PixelMap& m)
{
    int x, y;
    if (failed_ || !m.toPixel(X, Y, x, y)) {
        failed_ = true;
        return;
    }
    add(x, y, y, y, y);
}

void Trace::fold(const PointStore& pts, size_t from, size_t to, bool sortedX, const PixelMap& m)
{
    to = std::min(to, pts.size());
    if (failed_ || from >= to)
        return;
    if (sortedX) {
        foldSorted(pts, from, to, m);
        return;
    }
    for (size_t i = from; i < to && !failed_; ++i) {
        const Point& p = pts[i];
        if (m.inRange(p.Y))
            addVertex(p.X, p.Y, m);
    }
}

// X never decreases, so the points of one column stand together: the end of
// each column is found by a galloping search, and only the Y values in
// between are looked at, for the column's first, last, highest and lowest
// point in range.
void Trace::foldSorted(const PointStore& pts, size_t from, size_t to, const PixelMap& m)
{
    const float lo = float(m.minY), hi = float(m.maxY);
    size_t i = from;
    while (i < to) {
        const double col = columnOf(pts[i].X, m);
        // Columns of NaN-free, non-decreasing X: a different column is a
        // later one.
        size_t same = i, step = 1, probe = i + 1;
        while (probe < to && columnOf(pts[probe].X, m) == col) {
            same = probe;
            step *= 2;
            probe = same + step;
        }
        size_t other = std::min(probe, to);
        while (other - same > 1) {
            const size_t mid = same + (other - same) / 2;
            if (columnOf(pts[mid].X, m) == col)
                same = mid;
            else
                other = mid;
        }
        const size_t end = other;

        bool any = false;
        float first = 0, last = 0, top = 0, bottom = 0;
        for (size_t j = i; j < end;) {
            size_t n;
            const Point* p = pts.run(j, n);
            n = std::min(n, end - j);
            for (size_t k = 0; k < n; ++k) {
                const float y = p[k].Y;
                if (y >= lo && y <= hi) {
                    if (!any) {
                        any = true;
                        first = top = bottom = y;
                    }
                    last = y;
                    top = std::max(top, y);
                    bottom = std::min(bottom, y);
                }
            }
            j += n;
        }
        if (any) {
            int yFirst, yTop, yBottom, yLast;
            if (!fits(col) || !rowOf(first, m, yFirst) || !rowOf(top, m, yTop) || !rowOf(bottom, m, yBottom)
                || !rowOf(last, m, yLast)) {
                failed_ = true;
                return;
            }
            add(int(col) + m.margin, yFirst, yTop, yBottom, yLast);
        }
        i = end;
    }
}

} // namespace ql::curvegraph
