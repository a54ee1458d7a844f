#pragma once
// The drawn path of one chart curve, reduced to what a picture can show.
//
// A curve is drawn through every point whose Y lies in its axis range, so
// that no spike or dip is lost however many points there are. Many points
// fall on one pixel column; the segments between them there cover exactly
// the rows from the column's highest to its lowest point. The path is
// therefore kept as one run per visited column (the pixel rows of its first,
// highest, lowest and last point): drawing the runs gives the pixels of
// drawing every point, at a cost that follows the picture's width, and new
// points extend the runs without going over the old ones again.
#include "controls/curvegraphstore.h"

#include <cstddef>
#include <vector>

namespace ql::curvegraph {

// How the points of one curve become pixels in a drawing pass.
struct PixelMap {
    double minX = 0, xScale = 1;            // X units per pixel
    double minY = 0, maxY = 0, yScale = 1;  // the range of the curve's axis
    int H = 0;                              // picture height
    int margin = 50;                        // left and bottom margin of the plot area

    bool operator==(const PixelMap&) const = default;

    bool inRange(float Y) const { return Y >= minY && Y <= maxY; }
    // The pixel of a point; false when it does not fit an int.
    bool toPixel(float X, float Y, int& x, int& y) const;
};

// One visited pixel column: rows of the first, highest (smallest row),
// lowest and last vertex there.
struct Run {
    int x, first, top, bottom, last;
};

class Trace {
public:
    const std::vector<Run>& runs() const { return runs_; }
    // A point whose pixel does not fit an int was met: the pass is dropped.
    bool failed() const { return failed_; }
    // Forgets the path and releases its memory.
    void clear();

    // Adds one vertex, whatever its Y (the first point of a full view).
    void addVertex(float X, float Y, const PixelMap& m);
    // Adds points [from, to) in order; those outside the axis range are
    // passed over, so their neighbours are joined. With sortedX (X never
    // decreases over the store) whole columns are taken at once.
    void fold(const PointStore& pts, size_t from, size_t to, bool sortedX, const PixelMap& m);

    // Hands every run but the newest to draw, in order, and forgets them;
    // the newest stays because later points may still extend it.
    template <class Draw>
    void drain(Draw&& draw)
    {
        if (runs_.size() < 2)
            return;
        for (size_t i = 0; i + 1 < runs_.size(); ++i)
            draw(runs_[i]);
        runs_.front() = runs_.back();
        runs_.resize(1);
    }

private:
    void add(int x, int first, int top, int bottom, int last);
    void foldSorted(const PointStore& pts, size_t from, size_t to, const PixelMap& m);

    std::vector<Run> runs_;
    bool failed_ = false;
};

} // namespace ql::curvegraph
