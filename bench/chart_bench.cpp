// The curve chart: appending, memory per point, drawing passes of large
// charts, and what the drawn curves show against drawing every point.
// Prints its figures; it asserts nothing. Run it from a Release build.
//
//   chart_bench [--scale f]   f: the screen's pixels per widget pixel (as
//                             QT_SCALE_FACTOR), 1 unless given; the comparison
//                             with every point drawn is made at 1 only
//
// Data: ten curves (two channels of voltage, current, power, capacity and
// energy) with noise, current steps, and 40 one-sample spikes and 40
// one-sample dips per curve.
#include "controls/curvegraph.h"

#include <QApplication>
#include <QPainter>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Bytes the allocator has handed out and not taken back.
size_t heapInUse() { return mallinfo2().uordblks + mallinfo2().hblkhd; }

// A small deterministic generator, so every run draws the same data.
struct Rng {
    uint64_t s;
    explicit Rng(uint64_t seed) : s(seed) {}
    uint32_t next()
    {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return uint32_t(s >> 33);
    }
    double unit() { return next() / double(1u << 31); }  // 0 .. 1
};

constexpr int kCurves = 10;
constexpr int kSpikes = 40;
const uint32_t kColours[kCurves] = {0xFF0000, 0x0000FF, 0x008000, 0x800080, 0x008080,
                                    0xC08000, 0x0080FF, 0x4040C0, 0xC000C0, 0x00A0A0};

QRgb rgbOf(uint32_t colorRef)
{
    return qRgb(int(colorRef & 0xFF), int((colorRef >> 8) & 0xFF), int((colorRef >> 16) & 0xFF));
}

struct CurveData {
    std::vector<float> y;
    std::vector<int> spikes, dips;  // point indexes
    int axis = 0;
};

// Curve c of n points; X is the point index (seconds).
CurveData makeCurve(int c, int n)
{
    CurveData d;
    Rng rng(0x5eed + uint64_t(c) * 7919);
    d.y.resize(size_t(n));
    const int kind = c % 5, ch = c / 5;
    d.axis = kind == 1 ? 1 : 0;
    double cap = 0;
    for (int i = 0; i < n; ++i) {
        const double f = double(i) / n;
        const double amps = (1.0 + 0.5 * ch) * (1 + (int(f * 8) % 3) * 0.25);  // current steps
        const double volts = 4.1 - 1.0 * f - 0.3 * f * f * f;
        const double noise = (rng.unit() - 0.5) * 0.02;
        cap += amps / 3600;
        double v = 0;
        switch (kind) {
        case 0: v = volts + noise; break;
        case 1: v = amps + noise; break;
        case 2: v = volts * amps + noise; break;
        case 3: v = cap * 3600 / n * 4 + noise; break;
        default: v = 8.0 * f + noise; break;
        }
        d.y[size_t(i)] = float(v + 2 + 2 * ch);
    }
    // Spikes and dips on single samples, at least 50 points apart.
    std::vector<int> used;
    auto pick = [&] {
        for (;;) {
            const int k = 10 + int(rng.unit() * (n - 20));
            bool clash = false;
            for (int u : used)
                clash = clash || std::abs(u - k) < 50;
            if (!clash) {
                used.push_back(k);
                return k;
            }
        }
    };
    for (int s = 0; s < kSpikes; ++s) {
        const int k = pick();
        d.spikes.push_back(k);
        d.y[size_t(k)] += 1.5f;
    }
    for (int s = 0; s < kSpikes; ++s) {
        const int k = pick();
        d.dips.push_back(k);
        d.y[size_t(k)] -= 1.5f;
    }
    return d;
}

void fill(ql::CurveGraph& g, const std::vector<CurveData>& data, int n)
{
    g.ClearAll();
    for (int c = 0; c < kCurves; ++c) {
        g.setShowCurve(c, true);
        g.setCurveAxesY(c, data[size_t(c)].axis);
        g.setCurveLineColor(c, kColours[c]);
        for (int i = 0; i < n; ++i)
            g.AddXY(c, float(i), data[size_t(c)].y[size_t(i)]);
    }
    g.setMinX(0);
    g.setMaxX(float(n));
    g.setMinY(0, 0);
    g.setMaxY(0, 20);
    g.setMinY(1, 0);
    g.setMaxY(1, 10);
}

QWidget* surfaceOf(ql::CurveGraph& g) { return g.findChild<QWidget*>(QStringLiteral("picGraph")); }

// DrawCurve and the paint it asks for.
void drawNow(ql::CurveGraph& g)
{
    g.DrawCurve();
    surfaceOf(g)->repaint();
}

void report(const char* what, const std::vector<double>& t)
{
    std::printf("%-60s median %7.2f ms  (min %.2f, max %.2f, %zu runs)\n", what, median(t),
                *std::min_element(t.begin(), t.end()), *std::max_element(t.begin(), t.end()), t.size());
}

// A pass after the axes changed: every stored point is looked at again.
void timeAfterAxisChange(ql::CurveGraph& g, const char* what, int runs)
{
    std::vector<double> t;
    drawNow(g);
    for (int r = 0; r < runs; ++r) {
        g.setMaxY(0, r % 2 ? 20.f : 20.5f);
        const auto t0 = Clock::now();
        drawNow(g);
        t.push_back(msSince(t0));
    }
    g.setMaxY(0, 20);
    report(what, t);
}

// A live pass: one new point on every curve, then DrawCurve.
void timeLive(ql::CurveGraph& g, const std::vector<CurveData>& data, int n, const char* what, int runs)
{
    std::vector<double> t;
    drawNow(g);
    for (int r = 0; r < runs; ++r) {
        const auto t0 = Clock::now();
        for (int c = 0; c < kCurves; ++c)
            g.AddXY(c, float(n + r), data[size_t(c)].y[size_t(n - 1 - r)]);
        drawNow(g);
        t.push_back(msSince(t0));
    }
    report(what, t);
}

// The pixel mapping of the chart's last pass, computed here on its own.
struct Mapping {
    double minX, xs, minY, ys;
    int H;
    QPoint at(double X, double Y) const
    {
        return QPoint(int(std::nearbyint((X - minX) / xs)) + 50, H - (int(std::nearbyint((Y - minY) / ys)) + 50));
    }
};

Mapping mappingOf(const ql::CurveGraph& g, int axis, int W, int H)
{
    const int m = (g.ShowAxesY1() && g.ShowAxesY2()) ? 100 : 50;
    return {g.MinX(), float((double(g.MaxX()) - g.MinX()) / (W - 50 - m)), g.MinY(axis),
            float((double(g.MaxY(axis)) - g.MinY(axis)) / (H - 90)), H};
}

// The curve drawn with QPainter through the given point indexes (in-range
// points only, the first whatever its value), on the frame picture.
QImage reference(const QImage& frame, const ql::CurveGraph& g, const CurveData& d, int c, int step)
{
    QImage img = frame.copy();
    const Mapping mp = mappingOf(g, d.axis, img.width(), img.height());
    const float lo = g.MinY(d.axis), hi = g.MaxY(d.axis);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(QColor(rgbOf(kColours[c])), g.Line());
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::BevelJoin);
    p.setPen(pen);
    // QPainter's aliased pens stand half a pixel up and left of the chart's
    // pixel grid; shifted by that half pixel, only what is drawn differs.
    p.translate(0.5, 0.5);
    const int n = int(d.y.size());
    QPolygon poly;
    poly << mp.at(0, d.y[0]);
    auto join = [&](int j) {
        if (d.y[size_t(j)] >= lo && d.y[size_t(j)] <= hi)
            poly << mp.at(j, d.y[size_t(j)]);
    };
    for (int j = 1; j < n; j += step)
        join(j);
    join(n - 1);
    p.drawPolyline(poly);
    return img;
}

bool colourNear(const QImage& img, QPoint at, QRgb colour, int d)
{
    for (int dy = -d; dy <= d; ++dy)
        for (int dx = -d; dx <= d; ++dx)
            if (img.valid(at + QPoint(dx, dy)) && img.pixel(at + QPoint(dx, dy)) == colour)
                return true;
    return false;
}

// Pixels of the colour in a with none of it within 1 pixel in b.
int beyondOnePixel(const QImage& a, const QImage& b, QRgb colour)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) == colour && !colourNear(b, QPoint(x, y), colour, 1))
                ++count;
    return count;
}

struct Shown {
    int spikes = 0, dips = 0;
};

// Spikes and dips whose peak pixel holds the curve's colour (within 1 pixel).
Shown shownPeaks(const QImage& img, const ql::CurveGraph& g, const CurveData& d, QRgb colour)
{
    const Mapping mp = mappingOf(g, d.axis, img.width(), img.height());
    Shown s;
    for (int k : d.spikes)
        s.spikes += colourNear(img, mp.at(k, d.y[size_t(k)]), colour, 1);
    for (int k : d.dips)
        s.dips += colourNear(img, mp.at(k, d.y[size_t(k)]), colour, 1);
    return s;
}

void compareWithEveryPoint(ql::CurveGraph& g, const std::vector<CurveData>& data, int n)
{
    for (int c = 0; c < kCurves; ++c)
        g.setShowCurve(c, false);
    drawNow(g);
    const QImage frame = surfaceOf(g)->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const int W = frame.width();
    const int step = int(std::nearbyint(double(n) / (W * 4.0) + 1.0));
    int extra = 0, missing = 0;
    Shown chart, sampled;
    for (int c = 0; c < kCurves; ++c) {
        g.setShowCurve(c, true);
        drawNow(g);
        const QImage shot = surfaceOf(g)->grab().toImage().convertToFormat(QImage::Format_RGB32);
        g.setShowCurve(c, false);
        const QRgb colour = rgbOf(kColours[c]);
        const QImage every = reference(frame, g, data[size_t(c)], c, 1);
        const QImage everyS = reference(frame, g, data[size_t(c)], c, step);
        extra += beyondOnePixel(shot, every, colour);
        missing += beyondOnePixel(every, shot, colour);
        const Shown a = shownPeaks(shot, g, data[size_t(c)], colour);
        const Shown b = shownPeaks(everyS, g, data[size_t(c)], colour);
        chart.spikes += a.spikes;
        chart.dips += a.dips;
        sampled.spikes += b.spikes;
        sampled.dips += b.dips;
    }
    for (int c = 0; c < kCurves; ++c)
        g.setShowCurve(c, true);
    std::printf("  against every point drawn with QPainter: %d chart pixels and %d reference pixels "
                "beyond 1 px of the other\n",
                extra, missing);
    std::printf("  spikes shown %d of %d, dips shown %d of %d (drawing every s-th point, s = %d: %d spikes, %d dips)\n",
                chart.spikes, kCurves * kSpikes, chart.dips, kCurves * kSpikes, step, sampled.spikes, sampled.dips);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && std::string_view(argv[1]) == "--scale") {
        qputenv("QT_SCALE_FACTOR", argv[2]);
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: chart_bench [--scale f]\n");
        return 2;
    }
    QApplication app(argc, argv);
    const qreal scale = app.devicePixelRatio();
    std::printf("screen pixels per widget pixel: %g\n", scale);

    ql::CurveGraph g;
    g.setCurveCount(kCurves);
    g.resize(1000, 600);
    g.show();
    QApplication::processEvents();

    // Appending to one curve.
    {
        std::vector<double> t;
        for (int r = 0; r < 5; ++r) {
            g.Clear(0);
            const auto t0 = Clock::now();
            for (int i = 0; i < 1000000; ++i)
                g.AddXY(0, float(i), float(i % 1000) * 0.01f);
            t.push_back(msSince(t0));
        }
        g.Clear(0);
        std::printf("%-60s median %7.2f ms  (%.1f ns per point)\n", "AddXY 1,000,000 points to one curve", median(t),
                    median(t) * 1e6 / 1000000);
    }
    // Memory: bytes taken from the allocator per stored point.
    for (int n : {1000, 33000, 86400, 1000000}) {
        g.ClearAll();
        const size_t before = heapInUse();
        for (int c = 0; c < kCurves; ++c)
            for (int i = 0; i < n; ++i)
                g.AddXY(c, float(i), 1.f);
        const size_t after = heapInUse();
        char what[80];
        std::snprintf(what, sizeof what, "memory of 10 curves x %d points", n);
        std::printf("%-60s %7.2f bytes per point\n", what, double(after - before) / (double(n) * kCurves));
    }

    for (int n : {86400, 1000000}) {
        std::vector<CurveData> data;
        for (int c = 0; c < kCurves; ++c)
            data.push_back(makeCurve(c, n));
        fill(g, data, n);
        const bool big = n > 100000;
        std::printf("10 curves x %d points, 1000 x 600:\n", n);
        timeAfterAxisChange(g, "  DrawCurve and paint after an axis change (every point)", big ? 11 : 21);
        timeLive(g, data, n, "  DrawCurve and paint with one new point per curve", 21);
        g.setMaxX(float(n));
        g.setMinX(float(n) * 0.4f);
        g.setMaxX(float(n) * 0.6f);
        g.setLarge(true);
        timeAfterAxisChange(g, "  DrawCurve and paint zoomed to a fifth, after an axis change", big ? 11 : 21);
        g.setLarge(false);
        fill(g, data, n);
        if (scale == 1)
            compareWithEveryPoint(g, data, n);
    }
    return 0;
}
