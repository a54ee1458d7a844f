// Curve chart drawing: every picture is composed in the back buffer from the
// frame of the last pass and the curves' paths, and shown in one step, so the
// screen never shows a half-drawn chart. A pass that meets a range of no
// width, an inverted range or a value whose pixel does not fit an int is
// dropped and the screen keeps its previous picture.
#include "controls/curvegraph.h"

#include "controls/curvegraphmath.h"
#include "controls/curvegraphparts.h"
#include "controls/devicepixels.h"
#include "platform/rounding.h"

#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace ql {

using namespace curvegraph;

namespace {

// Draws one curve's polyline straight into the buffer with a square (wide
// pens: round) brush swept along each segment. Runs of vertices on one pixel
// column are reduced to the column's first, lowest, highest and last pixel:
// the union of the segments between them is the same vertical span, so the
// picture does not change while a dense curve costs at most a few segments
// per column. Segments are clipped to the picture before rasterising, so
// far-away coordinates cost nothing. Every pixel written is marked in the
// picture's damage record.
class Polyline {
public:
    Polyline(QImage& img, Damage& damage, const QColor& color, int width)
        : bits_(reinterpret_cast<uint32_t*>(img.bits())), stride_(int(img.bytesPerLine() / 4)), w_(img.width()),
          h_(img.height()), color_(color.rgb()), damage_(damage)
    {
        const int pen = std::max(1, width);
        lo_ = -((pen - 1) / 2);
        hi_ = lo_ + pen - 1;
        const double centre = (lo_ + hi_) / 2.0, r2 = (pen / 2.0) * (pen / 2.0) + 0.5;
        for (int dy = lo_; dy <= hi_; ++dy)
            for (int dx = lo_; dx <= hi_; ++dx)
                if (pen < 4 || (dx - centre) * (dx - centre) + (dy - centre) * (dy - centre) <= r2)
                    brush_.push_back({dx, dy});
        reach_ = pen;
        if (brush_.size() == size_t(pen) * size_t(pen)) {
            square_ = true;
            spans_.assign(size_t(w_), Span{});
        }
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
        flushSpans();
    }

private:
    struct Offset {
        int dx, dy;
    };
    struct Span {
        int top = 0, bottom = -1;  // rows, both included; none when top > bottom
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
        damage_.mark(x + lo_, x + hi_, y + lo_, y + hi_);
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
        // A square brush collects the rows the line passes on each column.
        int runX = x, runTop = y, runBottom = y;
        if (!square_)
            plot(x, y);
        while (x != ex || y != ey) {
            const int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y += sy;
            }
            if (!square_) {
                plot(x, y);
            } else if (x != runX) {
                mark(runX, runTop, runBottom);
                runX = x;
                runTop = runBottom = y;
            } else {
                runTop = std::min(runTop, y);
                runBottom = std::max(runBottom, y);
            }
        }
        if (square_)
            mark(runX, runTop, runBottom);
    }

    // The square brush swept from row top to row bottom of column x: each
    // column it covers keeps one span of rows, written when the path leaves
    // it (a span the path returns to later is written then anew).
    void mark(int x, int top, int bottom)
    {
        const int t = std::max(top + lo_, 0), b = std::min(bottom + hi_, h_ - 1);
        if (t > b)
            return;
        for (int c = std::max(x + lo_, 0); c <= std::min(x + hi_, w_ - 1); ++c) {
            Span& sp = spans_[size_t(c)];
            if (sp.top <= sp.bottom && t <= sp.bottom + 1 && b >= sp.top - 1) {
                sp.top = std::min(sp.top, t);
                sp.bottom = std::max(sp.bottom, b);
                continue;
            }
            writeSpan(c, sp);
            sp = Span{t, b};
        }
    }

    void writeSpan(int c, const Span& sp)
    {
        if (sp.top > sp.bottom)
            return;
        for (int py = sp.top; py <= sp.bottom; ++py)
            bits_[size_t(py) * size_t(stride_) + size_t(c)] = color_;
        damage_.mark(c, c, sp.top, sp.bottom);
    }

    void flushSpans()
    {
        for (size_t c = 0; c < spans_.size(); ++c) {
            writeSpan(int(c), spans_[c]);
            spans_[c] = Span{};
        }
    }

    uint32_t* bits_;
    int stride_, w_, h_;
    uint32_t color_;
    Damage& damage_;
    std::vector<Offset> brush_;
    int reach_ = 1;
    int lo_ = 0, hi_ = 0;      // the brush's extent from its centre pixel, both axes
    bool square_ = false;      // the brush is the whole square from lo_ to hi_
    std::vector<Span> spans_;  // per column, for a square brush
    bool haveColumn_ = false;
    int colX_ = 0, colFirst_ = 0, colLast_ = 0, colMin_ = 0, colMax_ = 0;
    bool havePrev_ = false;
    int prevX_ = 0, prevY_ = 0;
};

// Draws a curve's path run by run. With steps each new column is reached
// level with the last point, then joined vertically.
struct RunPen {
    Polyline& line;
    bool step;
    bool started = false;
    int prevLast = 0;
    void operator()(const Run& r)
    {
        if (!started) {
            line.moveTo(r.x, r.first);
            started = true;
        } else {
            if (step)
                line.lineTo(r.x, prevLast);
            line.lineTo(r.x, r.first);
        }
        line.lineTo(r.x, r.top);
        line.lineTo(r.x, r.bottom);
        line.lineTo(r.x, r.last);
        prevLast = r.last;
    }
};

// Points folded at a time when a path is drawn without being kept.
constexpr size_t kStreamPoints = 1 << 16;

// A 1-pixel line that, like the Windows line calls, leaves out its end pixel.
// On a screen of more pixels per widget pixel it is as many whole screen
// pixels wide as fit, so every line of the grid is equally wide.
QPen framePen(const QColor& c, qreal ratio)
{
    QPen pen(c, std::max(1.0, std::floor(ratio)) / ratio);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

// Text with its top-left corner at (x, y) on an opaque cell of the
// background colour, as the Windows text call draws it.
void OpaqueText(QPainter& p, const QColor& back, int x, int y, const QString& s, const QColor& color)
{
    const QFontMetrics fm = p.fontMetrics();
    p.fillRect(x, y, fm.horizontalAdvance(s), fm.height(), back);
    p.setPen(color);
    p.drawText(x, y + fm.ascent(), s);
}

// The points of the zoomed view: from the first at or right of minX to the
// last before the first one at or right of maxX, as [from, to). False when
// none lies in the window.
bool ZoomedRange(const curvegraph::PointStore& pts, size_t n, bool sortedX, float minX, float maxX, size_t& from,
                 size_t& to)
{
    int64_t f = 0, l = int64_t(n) - 1;
    if (sortedX) {
        // Index of the first point with X >= v (n when none).
        const auto lowerBound = [&](float v) {
            size_t lo = 0, hi = n;
            while (lo < hi) {
                const size_t mid = lo + (hi - lo) / 2;
                if (pts[mid].X < v)
                    lo = mid + 1;
                else
                    hi = mid;
            }
            return lo;
        };
        const size_t first = lowerBound(minX), stop = lowerBound(maxX);
        f = first == n ? 0 : int64_t(first);
        if (stop != n)
            l = stop == 0 ? 0 : int64_t(stop) - 1;
    } else {
        f = -1;
        for (size_t j = 0; j < n; ++j) {
            if (f < 0 && pts[j].X >= minX)
                f = int64_t(j);
            if (pts[j].X >= maxX) {
                l = j > 0 ? int64_t(j) - 1 : 0;
                break;
            }
        }
        if (f < 0)
            f = 0;
    }
    if (l < f)
        return false;
    from = size_t(f);
    to = size_t(l) + 1;
    return true;
}

} // namespace

void CurveGraph::Initialize_DrawCurve()
{
    const QSize s = picGraph_->size();
    buffer_ = s.isEmpty() ? QImage() : DeviceImage(s, picGraph_->devicePixelRatio(), QImage::Format_RGB32);
    bufferDamage_.forgetAll();
    // The chart font: the surface's font, its point size taken as the pixel
    // height of the text.
    chartFont_ = picGraph_->font();
    const double pt = chartFont_.pointSizeF();
    if (pt > 0)
        chartFont_.setPixelSize(std::max(1, int(RoundHalfEven(pt))));
    frameValid_ = false;
}

CurveGraph::FrameLook CurveGraph::currentLook() const
{
    FrameLook k;
    k.W = picGraph_->width();
    k.H = picGraph_->height();
    k.ratio = picGraph_->devicePixelRatio();
    k.back = backColor_;
    k.axes = axesColor_;
    k.grid = gridColor_;
    k.gridType1 = gridType1_;
    k.gridType2 = gridType2_;
    k.showY1 = showAxesY1_;
    k.showY2 = showAxesY2_;
    k.xBarType = xBarType_;
    k.minX = minX_;
    k.maxX = maxX_;
    for (int a = 0; a < kAxes; ++a) {
        k.minY[a] = minY_[a];
        k.maxY[a] = maxY_[a];
    }
    k.y1Txt = axesY1Txt_;
    k.y2Txt = axesY2Txt_;
    k.font = chartFont_;
    return k;
}

bool CurveGraph::frameDrawable(const FrameLook& k)
{
    const int m = (k.showY1 && k.showY2) ? 100 : 50;
    if (k.W - 50 - m <= 0 || k.H - 90 <= 0)
        return false;  // no plot area: its grid loops would never end
    for (int i = 0; i <= 10; ++i)
        if (!XLabelValue(k.minX, k.maxX, i))
            return false;
    return true;
}

bool CurveGraph::drawFrame(QPainter& p, const FrameLook& k)
{
    const int W = k.W, H = k.H;
    p.fillRect(0, 0, W, H, ToQColor(k.back));
    if (!frameDrawable(k))
        return false;
    const int m = (k.showY1 && k.showY2) ? 100 : 50;
    const int plotW = W - 50 - m, plotH = H - 90;

    const QColor axes = ToQColor(k.axes);
    p.setFont(k.font);

    // Axes.
    p.setPen(framePen(axes, k.ratio));
    p.drawLine(45, 40, 45, H - 50);
    p.drawLine(50, H - 45, W - m, H - 45);
    if (k.showY1 || k.showY2)
        p.drawLine(W - m + 5, H - 50, W - m + 5, 40);
    if (k.showY1 && k.showY2)
        p.drawLine(W - m / 2 + 5, H - 50, W - m / 2 + 5, 40);

    drawFrameLabels(p, k, m);

    // Grids: half divisions first, then divisions. The 0.0001 keeps the
    // last line from being lost to rounding.
    const QColor grid = ToQColor(k.grid);
    const auto gridLines = [&](int style, double yStart, double xStart) {
        QPen pen = framePen(grid, k.ratio);
        ApplyPenStyle(pen, style);
        p.setPen(pen);
        const double yStep = double(plotH) / 10 - 0.0001;
        for (double y = yStart; y >= 40; y -= yStep) {
            const int yi = int(RoundHalfEven(y));
            p.drawLine(50, yi, W - m, yi);
        }
        const double xStep = double(plotW) / 10 - 0.0001;
        for (double x = xStart; x <= W - m; x += xStep) {
            const int xi = int(RoundHalfEven(x));
            p.drawLine(xi, H - 50, xi, 40);
        }
    };
    gridLines(k.gridType2, (H - 50) - double(plotH) / 20, 50 + double(plotW) / 20);
    gridLines(k.gridType1, H - 50, 50);

    const QString mark = QStringLiteral("Torvane");
    OpaqueText(p, ToQColor(k.back), int(RoundHalfEven(W - m - p.fontMetrics().horizontalAdvance(mark) - 5)), 50, mark,
               grid);
    return true;
}

// The X labels and ticks, then each Y axis shown: labels, ticks and the
// unit caption half a division above.
void CurveGraph::drawFrameLabels(QPainter& p, const FrameLook& k, int m)
{
    const int W = k.W, H = k.H;
    const int plotW = W - 50 - m, plotH = H - 90;
    const QColor back = ToQColor(k.back);
    const QColor axes = ToQColor(k.axes);
    const QFontMetrics fm = p.fontMetrics();
    const int cy = fm.height();
    for (int i = 0; i <= 10; ++i) {
        const auto v = XLabelValue(k.minX, k.maxX, i);
        const QString s = XLabelText(*v, k.xBarType);
        const int cx = fm.horizontalAdvance(s);
        const double xk = double(plotW) / 10 * i + 50;
        OpaqueText(p, back, int(RoundHalfEven(xk - cx / 2.0)), int(RoundHalfEven(H - 38 + cy / 2.0)), s, axes);
        p.setPen(framePen(axes, k.ratio));
        const int xt = int(RoundHalfEven(xk));
        p.drawLine(xt, H - 45, xt, H - 39);
    }

    const auto yAxis = [&](int axis, int decimals, bool rightSide, int lineX, const QString& caption) {
        for (int i = 0; i <= 10; ++i) {
            const QString s = YLabelText(k.minY[axis], k.maxY[axis], i, decimals);
            const int cx = fm.horizontalAdvance(s);
            const double yk = (H - 50) - double(plotH) / 10 * i;
            const int x = rightSide ? lineX + 11 : 50 - cx - 16;
            OpaqueText(p, back, x, int(RoundHalfEven(yk - cy / 2.0)), s, axes);
            p.setPen(framePen(axes, k.ratio));
            const int yt = int(RoundHalfEven(yk));
            if (rightSide)
                p.drawLine(lineX, yt, lineX + 6, yt);
            else
                p.drawLine(45, yt, 39, yt);
        }
        const double yc = (H - 50) - double(plotH) / 10 * 10.5 - cy / 2.0;
        const int x = rightSide ? lineX + 11 : 50 - fm.horizontalAdvance(caption) - 16;
        OpaqueText(p, back, x, int(RoundHalfEven(yc)), caption, axes);
    };
    yAxis(0, 2, false, 45, QStringLiteral("[V]"));
    if (k.showY1)
        yAxis(1, 2, true, W - m + 5, k.y1Txt);
    if (k.showY2) {
        const int o = (k.showY1 && k.showY2) ? m / 2 : m;
        yAxis(2, 1, true, W - o + 5, k.y2Txt);
    }
}

void CurveGraph::forget(Curve& c)
{
    ++c.version;
    c.cache.valid = false;
    c.cache.trace.clear();
}

bool CurveGraph::drawOneCurve(QImage& img, const CurvePass& cp, const Pass& pass)
{
    if (cp.index >= curves_.size())
        return true;  // the curve went after the pass was asked for
    Curve& c = curves_[cp.index];
    const auto& pts = c.points();
    const bool sortedX = pts.sortedX();
    const size_t n = std::min(cp.count, pts.size());
    if (n == 0)
        return true;

    // The points drawn: all of them, or in the zoomed view those of the window.
    size_t from = 0, to = n;
    if (pass.large && !ZoomedRange(pts, n, sortedX, pass.look.minX, pass.look.maxX, from, to))
        return true;  // nothing of the curve in the window

    Polyline line(img, bufferDamage_, ToQColor(cp.color), pass.line);
    RunPen pen{line, pass.yStep};

    // A curve whose X never decreases keeps its path: new points extend it.
    const size_t keepAtMost = std::max<size_t>(4096, size_t(img.width()) * 8);
    if (sortedX) {
        TraceCache& tc = c.cache;
        if (!tc.valid || !(tc.map == cp.map) || tc.large != pass.large || tc.begin != from || tc.version != c.stamp() ||
            tc.end > to) {
            tc.trace.clear();
            tc.valid = true;
            tc.tooMany = false;
            tc.map = cp.map;
            tc.large = pass.large;
            tc.begin = tc.end = from;
            tc.version = c.stamp();
        }
        if (!tc.tooMany) {
            if (!pass.large && tc.end == 0) {
                // The full view starts at point 0 whatever its value.
                tc.trace.addVertex(pts[0].X, pts[0].Y, cp.map);
                tc.end = 1;
            }
            tc.trace.fold(pts, tc.end, to, true, cp.map);
            tc.end = to;
            if (tc.trace.failed())
                return false;
            if (tc.trace.runs().size() <= keepAtMost) {
                for (const Run& r : tc.trace.runs())
                    pen(r);
                line.finish();
                return true;
            }
            // Far more columns than the picture has (points far outside the
            // window): folded anew at each pass rather than kept.
            tc.tooMany = true;
            tc.trace.clear();
        }
    }

    Trace t;
    size_t i = from;
    if (!pass.large) {
        t.addVertex(pts[0].X, pts[0].Y, cp.map);
        i = 1;
    }
    while (i < to && !t.failed()) {
        const size_t e = std::min(to, i + kStreamPoints);
        t.fold(pts, i, e, sortedX, cp.map);
        t.drain(pen);
        i = e;
    }
    if (t.failed())
        return false;
    for (const Run& r : t.runs())
        pen(r);
    line.finish();
    return true;
}

// A pass on the present look; false when none can be drawn (the screen
// keeps its picture).
bool CurveGraph::beginPass(Pass& pass)
{
    if (buffer_.isNull())
        return false;
    pass.look = currentLook();
    if (!frameDrawable(pass.look))
        return false;
    margin_ = rightMargin();
    return true;
}

// The pass is composed at the next paint.
void CurveGraph::queuePass(Pass&& pass)
{
    pending_ = std::move(pass);
    dirty_ = true;
    scheduleRepaint();
}

void CurveGraph::DrawCurve()
{
    if (buffer_.isNull() || buffer_.size() != ToDevice(picGraph_->size(), picGraph_->devicePixelRatio()))
        Initialize_DrawCurve();
    Pass pass;
    if (!beginPass(pass))
        return;

    const int W = pass.look.W, H = pass.look.H;
    xScale_ = float((double(maxX_) - double(minX_)) / (W - 50 - margin_));
    for (int a = 0; a < kAxes; ++a)
        yScale_[a] = float((double(maxY_[a]) - double(minY_[a])) / (H - 90));
    scalesValid_ = true;
    pass.large = large_;
    pass.yStep = yStep_;
    // The curves are drawn in the screen's pixels: the pixel map and the
    // pen are the screen's.
    const qreal ratio = pass.look.ratio;
    pass.line = std::max(1, int(std::lround(line_ * ratio)));

    bool legendsChanged = false;
    std::vector<QObject*> front;
    for (size_t i = 0; i < curves_.size(); ++i) {
        const auto& c = curves_[i];
        if (!c.show)
            continue;
        if (!c.points().empty()) {
            const int a = c.axis;
            const double xs = xScale_, ys = yScale_[a];
            // A window of no width (or turned round) has no pixel mapping.
            if (!(maxX_ > minX_) || !(maxY_[a] > minY_[a]) || !(xs > 0) || !(ys > 0) || !std::isfinite(xs)
                || !std::isfinite(ys))
                return;  // dropped: the screen keeps its picture
            CurvePass cp;
            cp.index = i;
            cp.count = c.points().size();
            cp.color = c.color;
            cp.map.minX = minX_;
            cp.map.xScale = xs / ratio;
            cp.map.minY = minY_[a];
            cp.map.maxY = maxY_[a];
            cp.map.yScale = ys / ratio;
            cp.map.H = ToDevice(H, ratio);
            cp.map.margin = ToDevice(50, ratio);
            pass.curves.push_back(cp);
        }
        if (i < lblLegend_.size()) {
            if (lblLegend_[i]->isHidden() == c.legend) {
                lblLegend_[i]->setVisible(c.legend);
                legendsChanged = true;
            }
            front.push_back(lblLegend_[i]);
        }
    }
    if (legendsChanged)
        stackLegends();
    // The shown curves' labels come to the front in curve order; when they
    // stand so already nothing is restacked (which would repaint them).
    const QObjectList& kids = picGraph_->children();
    const bool onTop = front.size() <= size_t(kids.size())
                       && std::equal(front.begin(), front.end(), kids.end() - qsizetype(front.size()));
    if (!onTop)
        for (QObject* lbl : front)
            static_cast<QWidget*>(lbl)->raise();
    queuePass(std::move(pass));
}

void CurveGraph::ClearAll()
{
    for (auto& c : curves_) {
        c.own.clear();
        forget(c);
    }
    Initialize_DrawCurve();
    Pass pass;
    if (beginPass(pass))
        queuePass(std::move(pass));
}

void CurveGraph::compose()
{
    if (!dirty_)
        return;
    dirty_ = false;
    sincePaint_.start();
    const Pass& pass = pending_;
    const QSize size = ToDevice(QSize(pass.look.W, pass.look.H), pass.look.ratio);
    if (!frameValid_ || frame_.size() != size || !(frameLook_ == pass.look)) {
        frame_ = DeviceImage(QSize(pass.look.W, pass.look.H), pass.look.ratio, QImage::Format_RGB32);
        if (frame_.isNull())
            return;
        QPainter p(&frame_);
        frameValid_ = drawFrame(p, pass.look);
        frameLook_ = pass.look;
        bufferDamage_.forgetAll();
        screenDamage_.forgetAll();
    }
    if (!frameValid_)
        return;
    if (buffer_.size() != size || buffer_.devicePixelRatio() != pass.look.ratio) {
        buffer_ = DeviceImage(QSize(pass.look.W, pass.look.H), pass.look.ratio, QImage::Format_RGB32);
        bufferDamage_.forgetAll();
    }
    if (buffer_.isNull())
        return;
    // Only what the curves wrote into this buffer is put back to the frame.
    bufferDamage_.restore(buffer_, frame_);
    for (const CurvePass& cp : pass.curves)
        if (!drawOneCurve(buffer_, cp, pass))
            return;  // dropped: the screen keeps its picture
    std::swap(screen_, buffer_);
    std::swap(screenDamage_, bufferDamage_);
}

void CurveGraph::scheduleRepaint()
{
    if (repaintTimer_->isActive())
        return;  // a paint is already due
    const qint64 since = sincePaint_.isValid() ? sincePaint_.elapsed() : repaintPeriod_;
    if (since >= repaintPeriod_)
        picGraph_->update();
    else
        repaintTimer_->start(int(repaintPeriod_ - since));
}

void CurveGraph::setRepaintPeriod(int ms)
{
    repaintPeriod_ = std::max(0, ms);
    if (repaintTimer_->isActive()) {
        repaintTimer_->stop();
        scheduleRepaint();
    }
}

} // namespace ql
