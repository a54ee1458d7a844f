#pragma once
// The part of a chart picture the curves wrote since it was last a copy of
// the chart's frame, kept as marks on tiles of 16 x 2 pixels. Restoring only
// the marked tiles makes the picture the frame again at a fraction of the
// cost of copying all of it.
#include <QImage>

#include <cstdint>
#include <vector>

namespace ql::curvegraph {

class Damage {
public:
    // Nothing known of the picture: the next restore copies all of it.
    void forgetAll() { whole_ = true; }
    // Columns x0..x1, rows top..bottom (all included, clipped to the
    // picture) were written.
    void mark(int x0, int x1, int top, int bottom);
    // Makes img (of the frame's size and format) a copy of frame again and
    // starts a new record for it.
    void restore(QImage& img, const QImage& frame);

private:
    static constexpr int kColShift = 4, kRowShift = 1;
    int w_ = 0, h_ = 0, cols_ = 0;
    std::vector<uint8_t> tiles_;  // row after row of tiles, 1 where written
    bool whole_ = true;
};

}  // namespace ql::curvegraph
