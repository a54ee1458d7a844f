#include "controls/curvegraphdamage.h"

#include <algorithm>
#include <cstring>

namespace ql::curvegraph {

void Damage::mark(int x0, int x1, int top, int bottom)
{
    x0 = std::max(x0, 0);
    x1 = std::min(x1, w_ - 1);
    top = std::max(top, 0);
    bottom = std::min(bottom, h_ - 1);
    if (x0 > x1 || top > bottom)
        return;
    // Most marks lie in one column of tiles: one store per row of tiles
    // down that column (a call to fill each row would cost more).
    for (int tx = x0 >> kColShift; tx <= x1 >> kColShift; ++tx)
        for (int ty = top >> kRowShift; ty <= bottom >> kRowShift; ++ty)
            tiles_[size_t(ty) * size_t(cols_) + size_t(tx)] = 1;
}

void Damage::restore(QImage& img, const QImage& frame)
{
    uchar* dst = img.bits();
    const uchar* src = frame.constBits();
    const size_t line = size_t(img.bytesPerLine());
    if (whole_ || img.width() != w_ || img.height() != h_) {
        std::memcpy(dst, src, size_t(frame.sizeInBytes()));
        w_ = img.width();
        h_ = img.height();
        cols_ = (w_ + (1 << kColShift) - 1) >> kColShift;
        tiles_.assign(size_t(cols_) * size_t((h_ + (1 << kRowShift) - 1) >> kRowShift), 0);
        whole_ = false;
        return;
    }
    const size_t pixel = size_t(img.depth() / 8);
    for (size_t t = 0; t < tiles_.size();) {
        if (!tiles_[t]) {
            ++t;
            continue;
        }
        // A run of marked tiles along one row of tiles is copied line by line.
        const size_t rowStart = t - t % size_t(cols_), rowEnd = rowStart + size_t(cols_);
        size_t end = t;
        while (end < rowEnd && tiles_[end])
            tiles_[end++] = 0;
        const size_t x0 = (t - rowStart) << kColShift;
        const size_t x1 = std::min(size_t(w_), (end - rowStart) << kColShift);
        const int y0 = int(t / size_t(cols_)) << kRowShift;
        const int y1 = std::min(h_, y0 + (1 << kRowShift));
        for (int y = y0; y < y1; ++y)
            std::memcpy(dst + size_t(y) * line + x0 * pixel, src + size_t(y) * line + x0 * pixel, (x1 - x0) * pixel);
        t = end;
    }
}

}  // namespace ql::curvegraph
