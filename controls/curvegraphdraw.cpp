// Curve chart drawing: every picture is composed in the back buffer and
// shown in one step, so the screen never shows a half-drawn chart. A pass
// that meets a range of no width, an inverted range or a value whose pixel
// does not fit an int is dropped and the screen keeps its previous picture.
#include "controls/curvegraph.h"

#include "controls/curvegraphmath.h"
#include "controls/curvegraphparts.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace ql {

using namespace curvegraph;

namespace {

// Largest pixel offset accepted from a point; beyond it the pixel would not
// fit an int once the margins are added.
constexpr double kPixelLimit = 2.0e9;

// Draws one curve's polyline straight into the buffer with a square (wide
// pens: round) brush swept along each segment. Runs of vertices on one pixel
// column are reduced to the column's first, lowest, highest and last pixel:
// the union of the segments between them is the same vertical span, so the
// picture does not change while a dense curve costs at most a few segments
// per column. Segments are clipped to the picture before rasterising, so
// far-away coordinates cost nothing.
class Polyline {
public:
    Polyline(QImage& img, const QColor& color, int width)
        : bits_(reinterpret_cast<uint32_t*>(img.bits())), stride_(int(img.bytesPerLine() / 4)),
          w_(img.width()), h_(img.height()), color_(color.rgb())
    {
        const int pen = std::max(1, width);
        const int lo = -((pen - 1) / 2);
        const int hi = lo + pen - 1;
        const double centre = (lo + hi) / 2.0, r2 = (pen / 2.0) * (pen / 2.0) + 0.5;
        for (int dy = lo; dy <= hi; ++dy)
            for (int dx = lo; dx <= hi; ++dx)
                if (pen < 4 || (dx - centre) * (dx - centre) + (dy - centre) * (dy - centre) <= r2)
                    brush_.push_back({dx, dy});
        reach_ = pen;
    }

    void moveTo(int x, int y)
    {
        finish();
        open(x, y);
    }

    void lineTo(int x, int y)
    {
        if (!haveColumn_) {
            open(x, y);
            return;
        }
        if (x == colX_) {
            colLast_ = y;
            colMin_ = std::min(colMin_, y);
            colMax_ = std::max(colMax_, y);
            return;
        }
        emitColumn();
        open(x, y);
    }

    void finish()
    {
        if (haveColumn_)
            emitColumn();
        haveColumn_ = false;
        havePrev_ = false;
    }

private:
    struct Offset {
        int dx, dy;
    };

    void open(int x, int y)
    {
        haveColumn_ = true;
        colX_ = x;
        colFirst_ = colLast_ = colMin_ = colMax_ = y;
    }

    void emitColumn()
    {
        vertex(colX_, colFirst_);
        if (colLast_ >= colFirst_) {
            vertex(colX_, colMin_);
            vertex(colX_, colMax_);
        } else {
            vertex(colX_, colMax_);
            vertex(colX_, colMin_);
        }
        vertex(colX_, colLast_);
    }

    void vertex(int x, int y)
    {
        if (havePrev_ && x == prevX_ && y == prevY_)
            return;
        if (havePrev_)
            segment(prevX_, prevY_, x, y);
        prevX_ = x;
        prevY_ = y;
        havePrev_ = true;
    }

    void plot(int x, int y)
    {
        for (const Offset& o : brush_) {
            const int px = x + o.dx, py = y + o.dy;
            if (unsigned(px) < unsigned(w_) && unsigned(py) < unsigned(h_))
                bits_[size_t(py) * size_t(stride_) + size_t(px)] = color_;
        }
    }

    // Clips the segment to the picture (widened by the brush) and draws it
    // with Bresenham's steps, both end pixels included.
    void segment(int ax, int ay, int bx, int by)
    {
        const double left = -reach_, top = -reach_, right = w_ + reach_, bottom = h_ + reach_;
        double x0 = ax, y0 = ay, x1 = bx, y1 = by;
        if (!(x0 >= left && x0 <= right && y0 >= top && y0 <= bottom && x1 >= left && x1 <= right
              && y1 >= top && y1 <= bottom)) {
            const double dx = x1 - x0, dy = y1 - y0;
            double t0 = 0, t1 = 1;
            const double pq[4][2] = {{-dx, x0 - left}, {dx, right - x0}, {-dy, y0 - top}, {dy, bottom - y0}};
            for (const auto& e : pq) {
                if (e[0] == 0) {
                    if (e[1] < 0)
                        return;
                } else {
                    const double r = e[1] / e[0];
                    if (e[0] < 0)
                        t0 = std::max(t0, r);
                    else
                        t1 = std::min(t1, r);
                    if (t0 > t1)
                        return;
                }
            }
            const double nx0 = x0 + t0 * dx, ny0 = y0 + t0 * dy;
            x1 = x0 + t1 * dx;
            y1 = y0 + t1 * dy;
            x0 = nx0;
            y0 = ny0;
        }
        int x = int(std::lround(x0)), y = int(std::lround(y0));
        const int ex = int(std::lround(x1)), ey = int(std::lround(y1));
        const int dx = std::abs(ex - x), sx = x < ex ? 1 : -1;
        const int dy = -std::abs(ey - y), sy = y < ey ? 1 : -1;
        int err = dx + dy;
        for (;;) {
            plot(x, y);
            if (x == ex && y == ey)
                break;
            const int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y += sy;
            }
        }
    }

    uint32_t* bits_;
    int stride_, w_, h_;
    uint32_t color_;
    std::vector<Offset> brush_;
    int reach_ = 1;
    bool haveColumn_ = false;
    int colX_ = 0, colFirst_ = 0, colLast_ = 0, colMin_ = 0, colMax_ = 0;
    bool havePrev_ = false;
    int prevX_ = 0, prevY_ = 0;
};

// A 1-pixel line that, like the Windows line calls, leaves out its end pixel.
QPen framePen(const QColor& c)
{
    QPen pen(c, 1);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

} // namespace

void CurveGraph::Initialize_DrawCurve()
{
    const QSize s = picGraph_->size();
    buffer_ = s.isEmpty() ? QImage() : QImage(s, QImage::Format_RGB32);
    // The chart font: the surface's font, its point size taken as the pixel
    // height of the text.
    chartFont_ = picGraph_->font();
    const double pt = chartFont_.pointSizeF();
    if (pt > 0)
        chartFont_.setPixelSize(std::max(1, int(RoundEven(pt))));
}

void CurveGraph::present()
{
    std::swap(screen_, buffer_);
    picGraph_->picture = &screen_;
    picGraph_->update();
}

bool CurveGraph::drawFrame(QPainter& p)
{
    const int W = buffer_.width(), H = buffer_.height();
    p.fillRect(0, 0, W, H, ToQColor(backColor_));
    const int m = rightMargin();
    margin_ = m;
    const int plotW = W - 50 - m, plotH = H - 90;
    if (plotW <= 0 || plotH <= 0)
        return false;  // no plot area: its grid loops would never end

    const QColor back = ToQColor(backColor_);
    const QColor axes = ToQColor(axesColor_);
    p.setFont(chartFont_);
    const QFontMetrics fm = p.fontMetrics();
    // Text is drawn with its top-left corner at (x, y) on an opaque cell of
    // the background colour, as the Windows text call does.
    const auto text = [&](int x, int y, const QString& s, const QColor& color) {
        const int cx = fm.horizontalAdvance(s);
        p.fillRect(x, y, cx, fm.height(), back);
        p.setPen(color);
        p.drawText(x, y + fm.ascent(), s);
    };

    // Axes.
    p.setPen(framePen(axes));
    p.drawLine(45, 40, 45, H - 50);
    p.drawLine(50, H - 45, W - m, H - 45);
    if (showAxesY1_ || showAxesY2_)
        p.drawLine(W - m + 5, H - 50, W - m + 5, 40);
    if (showAxesY1_ && showAxesY2_)
        p.drawLine(W - m / 2 + 5, H - 50, W - m / 2 + 5, 40);

    // X labels and ticks.
    const int cy = fm.height();
    for (int k = 0; k <= 10; ++k) {
        const auto v = XLabelValue(minX_, maxX_, k);
        if (!v)
            return false;
        const QString s = XLabelText(*v, xBarType_);
        const int cx = fm.horizontalAdvance(s);
        const double xk = double(plotW) / 10 * k + 50;
        text(int(RoundEven(xk - cx / 2.0)), int(RoundEven(H - 38 + cy / 2.0)), s, axes);
        p.setPen(framePen(axes));
        const int xt = int(RoundEven(xk));
        p.drawLine(xt, H - 45, xt, H - 39);
    }

    // One Y axis: labels, ticks and the unit caption half a division above.
    const auto yAxis = [&](int axis, int decimals, bool rightSide, int lineX, const QString& caption) {
        for (int k = 0; k <= 10; ++k) {
            const QString s = YLabelText(minY_[axis], maxY_[axis], k, decimals);
            const int cx = fm.horizontalAdvance(s);
            const double yk = (H - 50) - double(plotH) / 10 * k;
            const int x = rightSide ? lineX + 11 : 50 - cx - 16;
            text(x, int(RoundEven(yk - cy / 2.0)), s, axes);
            p.setPen(framePen(axes));
            const int yt = int(RoundEven(yk));
            if (rightSide)
                p.drawLine(lineX, yt, lineX + 6, yt);
            else
                p.drawLine(45, yt, 39, yt);
        }
        const double yc = (H - 50) - double(plotH) / 10 * 10.5 - cy / 2.0;
        const int x = rightSide ? lineX + 11 : 50 - fm.horizontalAdvance(caption) - 16;
        text(x, int(RoundEven(yc)), caption, axes);
    };
    yAxis(0, 2, false, 45, QStringLiteral("[V]"));
    if (showAxesY1_)
        yAxis(1, 2, true, W - m + 5, axesY1Txt_);
    if (showAxesY2_) {
        const int o = (showAxesY1_ && showAxesY2_) ? m / 2 : m;
        yAxis(2, 1, true, W - o + 5, axesY2Txt_);
    }

    // Grids: half divisions first, then divisions. The 0.0001 keeps the
    // last line from being lost to rounding.
    const QColor grid = ToQColor(gridColor_);
    const auto gridLines = [&](int style, double yStart, double xStart) {
        QPen pen = framePen(grid);
        ApplyPenStyle(pen, style);
        p.setPen(pen);
        const double yStep = double(plotH) / 10 - 0.0001;
        for (double y = yStart; y >= 40; y -= yStep) {
            const int yi = int(RoundEven(y));
            p.drawLine(50, yi, W - m, yi);
        }
        const double xStep = double(plotW) / 10 - 0.0001;
        for (double x = xStart; x <= W - m; x += xStep) {
            const int xi = int(RoundEven(x));
            p.drawLine(xi, H - 50, xi, 40);
        }
    };
    gridLines(gridType2_, (H - 50) - double(plotH) / 20, 50 + double(plotW) / 20);
    gridLines(gridType1_, H - 50, 50);

    const QString mark = QStringLiteral("Torvane");
    text(int(RoundEven(W - m - fm.horizontalAdvance(mark) - 5)), 50, mark, grid);
    return true;
}

bool CurveGraph::drawOneCurve(QImage& img, const Curve& c)
{
    const int W = img.width(), H = img.height();
    const int a = c.axis;
    const double minX = minX_, minY = minY_[a], maxY = maxY_[a];
    const double xs = xScale_, ys = yScale_[a];
    // A window of no width (or turned round) has no pixel mapping.
    if (!(maxX_ > minX_) || !(maxY_[a] > minY_[a]) || !(xs > 0) || !(ys > 0) || !std::isfinite(xs)
        || !std::isfinite(ys))
        return false;

    const auto& pts = c.points;
    const int64_t n = int64_t(pts.size());
    const auto inRange = [&](const Point& pt) { return pt.Y >= minY && pt.Y <= maxY; };
    const auto toPixel = [&](const Point& pt, int& x, int& y) {
        const double dx = (double(pt.X) - minX) / xs;
        const double dy = (double(pt.Y) - minY) / ys;
        if (!(std::fabs(dx) <= kPixelLimit) || !(std::fabs(dy) <= kPixelLimit))
            return false;
        x = int(RoundEven(dx)) + 50;
        y = H - (int(RoundEven(dy)) + 50);
        return true;
    };

    Polyline line(img, ToQColor(c.color), line_);
    int lastY = 0;
    const auto join = [&](const Point& pt) {
        if (!inRange(pt))
            return true;
        int x, y;
        if (!toPixel(pt, x, y))
            return false;
        if (yStep_)
            line.lineTo(x, lastY);
        line.lineTo(x, y);
        lastY = y;
        return true;
    };

    if (!large_) {
        int x, y;
        if (!toPixel(pts[0], x, y))
            return false;
        line.moveTo(x, y);
        lastY = y;
        const int64_t s = DecimationStep(n, W);
        for (int64_t j = 1; j < n; j += s)
            if (!join(pts[size_t(j)]))
                return false;
        if (!join(pts[size_t(n - 1)]))
            return false;
    } else {
        // First point at or right of MinX, last point before the first one
        // at or right of MaxX.
        int64_t f = 0, l = n - 1;
        if (c.sortedX) {
            // Index of the first point with X >= v (n when none).
            const auto lowerBound = [&](float v) {
                int64_t lo = 0, hi = n;
                while (lo < hi) {
                    const int64_t mid = lo + (hi - lo) / 2;
                    if (pts[size_t(mid)].X < v)
                        lo = mid + 1;
                    else
                        hi = mid;
                }
                return lo;
            };
            const int64_t first = lowerBound(minX_), stop = lowerBound(maxX_);
            f = first == n ? 0 : first;
            if (stop != n)
                l = stop == 0 ? 0 : stop - 1;
        } else {
            f = -1;
            for (int64_t j = 0; j < n; ++j) {
                if (f < 0 && pts[size_t(j)].X >= minX_)
                    f = j;
                if (pts[size_t(j)].X >= maxX_) {
                    l = j > 0 ? j - 1 : 0;
                    break;
                }
            }
            if (f < 0)
                f = 0;
        }
        if (l >= f) {
            const int64_t s = DecimationStep(l - f + 1, W);
            int64_t j = f;
            while (j <= l && !inRange(pts[size_t(j)]))
                j += s;
            if (j <= l) {
                int x, y;
                if (!toPixel(pts[size_t(j)], x, y))
                    return false;
                line.moveTo(x, y);
                lastY = y;
                for (j += s; j <= l; j += s)
                    if (!join(pts[size_t(j)]))
                        return false;
                if (!join(pts[size_t(l)]))
                    return false;
            }
        }
    }
    line.finish();
    return true;
}

void CurveGraph::DrawCurve()
{
    if (buffer_.isNull() || buffer_.size() != picGraph_->size())
        Initialize_DrawCurve();
    if (buffer_.isNull())
        return;
    {
        QPainter p(&buffer_);
        if (!drawFrame(p))
            return;
    }

    const int W = buffer_.width(), H = buffer_.height();
    xScale_ = float((double(maxX_) - double(minX_)) / (W - 50 - margin_));
    for (int a = 0; a < kAxes; ++a)
        yScale_[a] = float((double(maxY_[a]) - double(minY_[a])) / (H - 90));
    scalesValid_ = true;

    for (size_t i = 0; i < curves_.size(); ++i) {
        const auto& c = curves_[i];
        if (!c.show)
            continue;
        if (!c.points.empty() && !drawOneCurve(buffer_, c))
            return;  // dropped pass: the screen keeps its picture
        if (i < lblLegend_.size()) {
            lblLegend_[i]->setVisible(c.legend);
            lblLegend_[i]->raise();
        }
    }
    present();
}

void CurveGraph::ClearAll()
{
    for (auto& c : curves_) {
        c.points.clear();
        c.sortedX = true;
    }
    Initialize_DrawCurve();
    if (buffer_.isNull())
        return;
    QPainter p(&buffer_);
    if (!drawFrame(p))
        return;
    p.end();
    present();
}

} // namespace ql
