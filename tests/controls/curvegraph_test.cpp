// Curve chart: data model, drawing checked by pixels, and mouse interaction
// driven by real events.
#include "controls/curvegraph.h"
#include "controls/curvegraphmath.h"
#include "legendcheck.h"
#include "platform/rounding.h"
#include "testutil.h"

#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

using ql::CurveGraph;
using ql::RoundHalfEven;
namespace cg = ql::curvegraph;

namespace {

constexpr uint32_t kBlue = 0xFF0000;
constexpr uint32_t kRed = 0x0000FF;

// A shown 600 x 400 chart with the default look.
struct Chart {
    CurveGraph g;
    Chart(int w = 600, int h = 400)
    {
        g.resize(w, h);
        g.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&g));
    }
    QWidget* surface() { return g.findChild<QWidget*>(QStringLiteral("picGraph")); }
    QLabel* label(const char* name) { return g.findChild<QLabel*>(QString::fromLatin1(name)); }
    QWidget* child(const char* name) { return g.findChild<QWidget*>(QString::fromLatin1(name)); }
    QImage shot() { return surface()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

QRgb rgb(uint32_t colorRef) { return cg::ToQColor(colorRef).rgb(); }

// True when some pixel within d of (x, y) has the colour.
bool near(const QImage& img, int x, int y, QRgb color, int d = 1)
{
    for (int dy = -d; dy <= d; ++dy)
        for (int dx = -d; dx <= d; ++dx)
            if (img.valid(x + dx, y + dy) && img.pixel(x + dx, y + dy) == color)
                return true;
    return false;
}

// Pixel row of value v on an axis min..max of a 400-pixel-high chart.
int rowOf(double v, double min, double max, int h = 400)
{
    const double scale = float((max - min) / (h - 90));
    return h - (int(RoundHalfEven((v - min) / scale)) + 50);
}

// A deterministic stream of numbers in [0, 1).
struct Noise {
    uint32_t s = 12345;
    double next()
    {
        s = s * 1103515245u + 12345u;
        return double((s >> 8) & 0xFFFF) / 65536.0;
    }
};

// Pixel of a point of a chart's last pass on the given axis.
QPoint pixelOf(const CurveGraph& g, int axis, int W, int H, double X, double Y)
{
    const int m = (g.ShowAxesY1() && g.ShowAxesY2()) ? 100 : 50;
    const double xs = float((double(g.MaxX()) - g.MinX()) / (W - 50 - m));
    const double ys = float((double(g.MaxY(axis)) - g.MinY(axis)) / (H - 90));
    return QPoint(int(RoundHalfEven((X - g.MinX()) / xs)) + 50, H - (int(RoundHalfEven((Y - g.MinY(axis)) / ys)) + 50));
}

// Every point of curve 0 (in range, the first whatever its value) joined one
// by one with QPainter on the given frame picture. QPainter's aliased pens
// stand half a pixel up and left of the chart's pixel grid.
QImage everyPointDrawn(const QImage& frame, const CurveGraph& g, const std::vector<cg::Point>& pts)
{
    QImage img = frame.copy();
    QPainter p(&img);
    QPen pen(cg::ToQColor(g.CurveLineColor(0)), g.Line(), Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    p.setPen(pen);
    p.translate(0.5, 0.5);
    QPolygon poly;
    poly << pixelOf(g, 0, img.width(), img.height(), pts[0].X, pts[0].Y);
    for (size_t j = 1; j < pts.size(); ++j) {
        if (pts[j].Y < g.MinY(0) || pts[j].Y > g.MaxY(0))
            continue;
        const QPoint at = pixelOf(g, 0, img.width(), img.height(), pts[j].X, pts[j].Y);
        if (g.YStep())
            poly << QPoint(at.x(), poly.back().y());
        poly << at;
    }
    p.drawPolyline(poly);
    return img;
}

// Pixels of the colour in a with none of that colour within 1 pixel in b.
int strayPixels(const QImage& a, const QImage& b, QRgb colour)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) == colour && !near(b, x, y, colour))
                ++count;
    return count;
}

} // namespace

// ---------------------------------------------------------------- data model

TEST(CurveGraphModel, NewChartShowsItsTitleAndNothingElse)
{
    Chart c;
    EXPECT_EQ(c.label("lblTitle")->text(), QStringLiteral("QL Tester Software"));
    ASSERT_EQ(c.g.CurveCount(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(c.label(("lblLegend" + std::to_string(i)).c_str())->isHidden()) << i;
        EXPECT_EQ(c.g.DpCnt(i), 0) << i;
    }
}

TEST(CurveGraphModel, PointsGrowAcrossStorageChunksAndClear)
{
    CurveGraph g;
    const int n = 300000;  // many storage chunks
    for (int i = 0; i < n; ++i)
        g.AddXY(1, float(i), float(i % 977));
    g.AddXY(0, 1.5f, 2.5f);
    ASSERT_EQ(g.DpCnt(1), n);
    for (int i : {0, 511, 512, 4095, 4096, 8191, 8192, 262144, n - 1}) {
        EXPECT_EQ(g.DpX(1, i), float(i)) << i;
        EXPECT_EQ(g.DpY(1, i), float(i % 977)) << i;
    }
    g.setDpY(1, 40000, -3.f);
    EXPECT_EQ(g.DpY(1, 40000), -3.f);
    EXPECT_EQ(g.DpX(1, 40000), 40000.f);

    g.Clear(1);
    EXPECT_EQ(g.DpCnt(1), 0);
    EXPECT_THROW(g.DpX(1, 0), std::out_of_range);
    EXPECT_EQ(g.DpCnt(0), 1);
    g.AddXY(1, 7.f, 8.f);
    EXPECT_EQ(g.DpCnt(1), 1);
    EXPECT_EQ(g.DpY(1, 0), 8.f);

    // ClearAll empties every curve but keeps legends and ranges.
    g.setLegendText(0, QStringLiteral("Volt"));
    g.setShowLegend(0, true);
    g.setMaxX(3600);
    g.ClearAll();
    EXPECT_EQ(g.DpCnt(0), 0);
    EXPECT_EQ(g.DpCnt(1), 0);
    EXPECT_EQ(g.LegendText(0), QStringLiteral("Volt"));
    EXPECT_TRUE(g.ShowLegend(0));
    EXPECT_EQ(g.MaxX(), 3600.f);
}

TEST(CurveGraphModel, StorageStaysNearEightBytesPerPointAtEveryLength)
{
    const size_t before = qltest::heapBytesInUse();
    cg::PointStore store;
    size_t n = 0;
    for (size_t target : {size_t(1), size_t(700), size_t(4097), size_t(33000), size_t(86400), size_t(1000000)}) {
        for (; n < target; ++n)
            store.push_back({float(n), -float(n)});
        // At most 512 points (4 KiB) held beyond those stored, and the
        // allocator's and the chunk table's share of each 4096-point chunk.
        const size_t taken = qltest::heapBytesInUse() - before;
        EXPECT_GE(taken, 8 * n) << n;
        EXPECT_LE(taken, 8 * n + 4096 + 64 * (n / 4096 + 1)) << n;
    }
    size_t count = 0;
    const cg::Point* run = store.run(4000, count);
    ASSERT_EQ(count, 96u);  // to the end of the first chunk
    EXPECT_EQ(run[95].X, 4095.f);
    EXPECT_EQ(store.run(n - 10, count)[9].Y, -float(n - 1));
    EXPECT_EQ(count, 10u);
    store.clear();
    EXPECT_EQ(qltest::heapBytesInUse(), before);  // all memory given back
    EXPECT_TRUE(store.empty());
}

TEST(CurveGraphModel, RefusesIndexesOutsideTheTables)
{
    CurveGraph g;
    g.AddXY(0, 1, 1);
    EXPECT_THROW(g.MaxY(3), std::out_of_range);
    EXPECT_THROW(g.MinY(-1), std::out_of_range);
    EXPECT_THROW(g.setMaxY(3, 5), std::out_of_range);
    EXPECT_THROW(g.AddXY(5, 1, 1), std::out_of_range);
    EXPECT_THROW(g.AddXY(-1, 1, 1), std::out_of_range);
    EXPECT_THROW(g.setCurveLineColor(5, 1), std::out_of_range);
    EXPECT_THROW(g.DpX(0, 1), std::out_of_range);
    EXPECT_THROW(g.DpY(0, -1), std::out_of_range);
    EXPECT_THROW(g.setDpY(0, 1, 3), std::out_of_range);
    EXPECT_THROW(g.setCurveAxesY(0, 3), std::out_of_range);
    EXPECT_THROW(g.Clear(7), std::out_of_range);
    // Nothing changed.
    EXPECT_EQ(g.MaxY(2), 100.f);
    EXPECT_EQ(g.DpCnt(0), 1);
    EXPECT_EQ(g.DpY(0, 0), 1.f);
    EXPECT_EQ(g.CurveAxesY(0), 0);
    // A legend text never set cannot be read.
    EXPECT_THROW(g.LegendText(1), std::invalid_argument);
}

TEST(CurveGraphModel, LegendTextKeepsItsLead)
{
    Chart c;
    c.g.setCurveLineColor(3, 0x00FF00);
    c.g.setLegendText(3, QStringLiteral("Cap"));
    EXPECT_EQ(c.label("lblLegend3")->text(), QStringLiteral("---- Cap"));
    EXPECT_EQ(c.g.LegendText(3), QStringLiteral("Cap"));
    EXPECT_EQ(c.label("lblLegend3")->palette().color(QPalette::WindowText), QColor(0, 255, 0));
    c.g.setLegendText(3, QString());
    EXPECT_EQ(c.g.LegendText(3), QString());
}

TEST(CurveGraphModel, CurveCountKeepsCurvesAndSetsDefaults)
{
    CurveGraph g;
    for (int i = 0; i < 5; ++i) {
        g.AddXY(i, float(i), float(i));
        g.setShowLegend(i, true);
        g.setShowCurve(i, true);
    }
    g.setCurveLineColor(2, 0x123456);
    g.setCurveAxesY(4, 2);
    g.setCurveCount(10);
    EXPECT_EQ(g.CurveCount(), 10);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(g.DpCnt(i), 1) << i;
    EXPECT_EQ(g.CurveLineColor(0), kBlue);
    EXPECT_EQ(g.CurveLineColor(1), kRed);
    EXPECT_EQ(g.CurveLineColor(2), 0x123456u);
    EXPECT_EQ(g.CurveAxesY(4), 2);
    EXPECT_TRUE(g.ShowCurve(4));
    EXPECT_EQ(g.CurveLineColor(5), kBlue);
    EXPECT_EQ(g.CurveLineColor(6), kRed);
    EXPECT_EQ(g.CurveLineColor(7), 0u);
    for (int i = 5; i < 10; ++i) {
        EXPECT_EQ(g.DpCnt(i), 0);
        EXPECT_FALSE(g.ShowCurve(i));
    }
    for (int i = 0; i < 10; ++i)
        EXPECT_FALSE(g.ShowLegend(i)) << i;
    EXPECT_EQ(g.findChildren<QLabel*>(QRegularExpression(QStringLiteral("^lblLegend"))).size(), 10);

    g.setCurveCount(60);
    EXPECT_EQ(g.CurveCount(), 50);
    g.setCurveCount(5);
    EXPECT_EQ(g.CurveCount(), 5);
    EXPECT_EQ(g.findChildren<QLabel*>(QRegularExpression(QStringLiteral("^lblLegend"))).size(), 5);
    EXPECT_THROW(g.DpCnt(5), std::out_of_range);
    g.setCurveCount(0);
    EXPECT_EQ(g.CurveCount(), 1);
}

TEST(CurveGraphModel, LargeOffBeforeAnyZoomRestoresNothing)
{
    CurveGraph g;
    g.setMinX(10);
    g.setMaxX(70);
    g.setMaxY(0, 5);
    g.setLarge(false);
    EXPECT_EQ(g.MinX(), 10.f);
    EXPECT_EQ(g.MaxX(), 70.f);
    EXPECT_EQ(g.MaxY(0), 5.f);
    g.setLarge(true);
    EXPECT_TRUE(g.Large());
    g.setLarge(false);
    EXPECT_EQ(g.MaxX(), 70.f);
}

// ---------------------------------------------------------------- rules

TEST(CurveGraphRules, DecimationStepAndRounding)
{
    EXPECT_EQ(cg::DecimationStep(2000, 600), 2);
    EXPECT_EQ(cg::DecimationStep(4800, 600), 3);
    EXPECT_EQ(cg::DecimationStep(1000, 600), 1);
    EXPECT_EQ(cg::DecimationStep(86400, 1000), 23);
    EXPECT_FALSE(cg::ToInt(3e9).has_value());
    EXPECT_FALSE(cg::ToInt(NAN).has_value());
    EXPECT_EQ(cg::ToInt(-7.5).value(), -8);
}

TEST(CurveGraphRules, LabelTextsOfBothXStyles)
{
    EXPECT_EQ(cg::XLabelText(*cg::XLabelValue(0, 3600, 0), 0), QStringLiteral("00:00:00"));
    EXPECT_EQ(cg::XLabelText(*cg::XLabelValue(0, 3600, 1), 0), QStringLiteral("00:06:00"));
    EXPECT_EQ(cg::XLabelText(*cg::XLabelValue(0, 3600, 10), 0), QStringLiteral("01:00:00"));
    EXPECT_EQ(cg::XLabelText(360000, 0), QStringLiteral("100:00:00"));
    EXPECT_EQ(cg::XLabelText(3725, 0), QStringLiteral("01:02:05"));
    EXPECT_EQ(cg::XLabelText(*cg::XLabelValue(0, 3600, 1), 1), QStringLiteral("360"));
    EXPECT_EQ(cg::XLabelText(*cg::XLabelValue(0, 3600, 10), 1), QStringLiteral("3600"));
    EXPECT_FALSE(cg::XLabelValue(0, 1e12f, 10).has_value());
    EXPECT_EQ(cg::YLabelText(0, 20, 0, 2), QStringLiteral("0.00"));
    EXPECT_EQ(cg::YLabelText(0, 20, 1, 2), QStringLiteral("2.00"));
    EXPECT_EQ(cg::YLabelText(0, 20, 10, 2), QStringLiteral("20.00"));
    EXPECT_EQ(cg::YLabelText(0, 100, 1, 1), QStringLiteral("10.0"));
    EXPECT_EQ(cg::YLabelText(0, 100, 10, 1), QStringLiteral("100.0"));
}

TEST(CurveGraphRules, ReadoutTextAndColours)
{
    EXPECT_EQ(cg::ReadoutText(9.999, 2.5, 12.5, 0),
              QStringLiteral("9.999V   2.500A") + QChar(13) + QStringLiteral("12.50Ah 0.000Wh"));
    EXPECT_EQ(cg::ReadoutText(12.5, 12.5, 0, 123.456),
              QStringLiteral("12.500V  12.50A") + QChar(13) + QStringLiteral("0.000Ah 123.46Wh"));
    EXPECT_EQ(cg::InvertColor(0xFFFFFF), 0u);
    EXPECT_EQ(cg::InvertColor(0x0000FF), 0xFFFF00u);
    int r, g, b;
    cg::SplitRGB(0x123456, r, g, b);
    EXPECT_EQ(r, 0x56);
    EXPECT_EQ(g, 0x34);
    EXPECT_EQ(b, 0x12);
}

// ---------------------------------------------------------------- drawing

TEST(CurveGraphDrawing, CurvesFrameAndGridWhereTheyBelong)
{
    Chart c;  // 600 x 400, one right axis: plot 50..550 x 40..350
    c.g.setShowCurve(0, true);
    c.g.setShowCurve(1, true);
    c.g.setCurveAxesY(1, 1);
    for (float x : {0.f, 30.f, 60.f})
        c.g.AddXY(0, x, 10);
    c.g.AddXY(1, 0, 2.5f);
    c.g.AddXY(1, 60, 2.5f);
    c.g.DrawCurve();
    const QImage img = c.shot();

    const int yV = rowOf(10, 0, 20), yA = rowOf(2.5, 0, 10);
    EXPECT_EQ(yV, 195);
    EXPECT_EQ(img.pixel(300, yV), rgb(kBlue));  // X 30 of 0..60 falls on x 300
    EXPECT_EQ(img.pixel(200, yA), rgb(kRed));
    EXPECT_EQ(img.pixel(45, 200), qRgb(0, 0, 0));   // left axis
    EXPECT_EQ(img.pixel(300, 355), qRgb(0, 0, 0));  // X axis
    EXPECT_EQ(img.pixel(555, 200), qRgb(0, 0, 0));  // right axis 1
    EXPECT_EQ(img.pixel(580, 200), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(100, 300), qRgb(100, 100, 100));  // division grid
    EXPECT_EQ(img.pixel(80, 300), qRgb(255, 255, 255));

    // Both right axes: the plot ends at W - 100, axes at W - 95 and W - 45.
    c.g.setShowAxesY2(true);
    c.g.DrawCurve();
    const QImage both = c.shot();
    EXPECT_EQ(both.pixel(505, 200), qRgb(0, 0, 0));
    EXPECT_EQ(both.pixel(555, 200), qRgb(0, 0, 0));
    EXPECT_EQ(both.pixel(250 + 25, yV), rgb(kBlue));  // X 30 now at 50 + 225
}

TEST(CurveGraphDrawing, OutOfRangePointsStepsAndHiddenCurves)
{
    Chart c;
    c.g.setShowCurve(0, true);
    c.g.AddXY(0, 0, 5);
    c.g.AddXY(0, 30, 25);  // above MaxY: skipped, neighbours joined
    c.g.AddXY(0, 60, 5);
    c.g.DrawCurve();
    const int y5 = rowOf(5, 0, 20);
    QImage img = c.shot();
    EXPECT_EQ(img.pixel(300, y5), rgb(kBlue));
    EXPECT_FALSE(near(img, 175, rowOf(15, 0, 20), rgb(kBlue), 3));

    // Steps: level at the old height, then up at the new point's X.
    c.g.Clear(0);
    c.g.AddXY(0, 0, 5);
    c.g.AddXY(0, 30, 15);
    c.g.setYStep(true);
    c.g.DrawCurve();
    img = c.shot();
    EXPECT_EQ(img.pixel(200, y5), rgb(kBlue));
    EXPECT_EQ(img.pixel(300, rowOf(10, 0, 20)), rgb(kBlue));
    EXPECT_FALSE(near(img, 175, rowOf(10, 0, 20), rgb(kBlue), 3));

    // A hidden curve is not drawn.
    c.g.setShowCurve(0, false);
    c.g.DrawCurve();
    img = c.shot();
    EXPECT_FALSE(near(img, 200, y5, rgb(kBlue), 2));
}

TEST(CurveGraphDrawing, UndrawablePassKeepsThePreviousPicture)
{
    Chart c;
    c.g.setShowCurve(0, true);
    c.g.AddXY(0, 0, 10);
    c.g.AddXY(0, 60, 10);
    c.g.DrawCurve();
    const QImage good = c.shot();

    c.g.setMaxX(0);  // zero-width X window with a shown curve
    c.g.DrawCurve();
    EXPECT_EQ(c.shot(), good);
    c.g.setMaxX(-60);  // inverted
    c.g.DrawCurve();
    EXPECT_EQ(c.shot(), good);
    c.g.setMaxX(60);
    c.g.setMinY(0, 30);  // inverted Y range of the curve's axis
    c.g.DrawCurve();
    EXPECT_EQ(c.shot(), good);
    c.g.setMinY(0, 0);
    c.g.setMaxX(1e12f);  // X labels beyond the integer range
    c.g.DrawCurve();
    EXPECT_EQ(c.shot(), good);
    c.g.setMaxX(60);
    c.g.AddXY(0, 1e30f, 10);  // the newest point maps outside the integer range
    c.g.DrawCurve();
    EXPECT_EQ(c.shot(), good);

    // With no shown curve that has points the empty frame is drawn.
    c.g.Clear(0);
    c.g.setMaxX(0);
    c.g.DrawCurve();
    const QImage empty = c.shot();
    EXPECT_NE(empty, good);
    EXPECT_EQ(empty.pixel(45, 200), qRgb(0, 0, 0));
}

TEST(CurveGraphDrawing, SettersDoNotRedrawButLegendTwoLaysOut)
{
    Chart c;
    c.g.setShowCurve(0, true);
    c.g.AddXY(0, 0, 10);
    c.g.AddXY(0, 60, 10);
    c.g.DrawCurve();
    const QImage before = c.shot();
    c.g.setMaxY(0, 40);  // stored only
    c.g.setCurveLineColor(0, kRed);
    c.g.AddXY(0, 30, 0);
    c.g.setShowLegend(1, true);  // only shows label 1 (still empty)
    EXPECT_EQ(c.shot(), before);
    c.g.setShowLegend(2, true);  // lays out and redraws
    const QImage after = c.shot();
    EXPECT_NE(after, before);
    EXPECT_TRUE(near(after, 300, rowOf(0, 0, 40), rgb(kRed)));
}

TEST(CurveGraphDrawing, DenseCurvesShowEverySpikeAndDipLikeEveryPointDrawn)
{
    Chart c;  // plot 500 pixels wide: 86,400 points put about 170 on a column
    const int n = 86400;
    c.g.setMaxX(float(n));
    Noise noise;
    std::vector<cg::Point> pts;
    std::vector<int> spikes, dips;
    for (int i = 0; i < n; ++i)
        pts.push_back({float(i), float(10 + (noise.next() - 0.5) * 0.2 + (i > n / 2 ? 2 : 0))});
    for (int k = 0; k < 40; ++k) {
        spikes.push_back(1000 + 2100 * k);
        pts[size_t(spikes.back())].Y = 15;
        dips.push_back(2050 + 2100 * k);
        pts[size_t(dips.back())].Y = 5;
    }
    pts[30000].Y = 25;  // above the axis: passed over
    for (const auto& p : pts)
        c.g.AddXY(0, p.X, p.Y);
    c.g.DrawCurve();
    const QImage frame = c.shot();
    c.g.setShowCurve(0, true);

    for (bool steps : {false, true}) {
        c.g.setYStep(steps);
        c.g.DrawCurve();
        const QImage img = c.shot();
        const QRgb blue = rgb(kBlue);
        int shown = 0;
        for (int k : spikes) {
            const QPoint at = pixelOf(c.g, 0, 600, 400, k, 15);
            shown += near(img, at.x(), at.y(), blue);
        }
        for (int k : dips) {
            const QPoint at = pixelOf(c.g, 0, 600, 400, k, 5);
            shown += near(img, at.x(), at.y(), blue);
        }
        EXPECT_EQ(shown, 80) << "steps " << steps;
        const QImage every = everyPointDrawn(frame, c.g, pts);
        EXPECT_EQ(strayPixels(img, every, blue), 0) << "steps " << steps;
        EXPECT_EQ(strayPixels(every, img, blue), 0) << "steps " << steps;
        EXPECT_FALSE(near(img, pixelOf(c.g, 0, 600, 400, 30000, 20).x(), 40, blue, 0));
    }
}

// Chart a is changed step by step and drawn after each step; each picture
// must equal that of a new chart given the same points and settings at once.
TEST(CurveGraphDrawing, ChangedChartsDrawLikeNewOnes)
{
    struct State {
        std::vector<cg::Point> pts;
        float minX = 0, maxX = 6000, minY = 0, maxY = 20;
        bool steps = false, large = false;
    } st;
    Chart a;
    a.g.setShowCurve(0, true);
    const auto apply = [](CurveGraph& g, const State& s) {
        g.setMinX(s.minX);
        g.setMaxX(s.maxX);
        g.setMinY(0, s.minY);
        g.setMaxY(0, s.maxY);
        g.setYStep(s.steps);
        if (g.Large() != s.large)
            g.setLarge(s.large);
    };
    const auto check = [&](const char* step) {
        apply(a.g, st);
        a.g.DrawCurve();
        Chart b;
        b.g.setShowCurve(0, true);
        apply(b.g, st);
        for (const auto& p : st.pts)
            b.g.AddXY(0, p.X, p.Y);
        b.g.DrawCurve();
        EXPECT_EQ(a.shot(), b.shot()) << step;
    };
    const auto add = [&](float x, float y) {
        st.pts.push_back({x, y});
        a.g.AddXY(0, x, y);
    };
    Noise noise;
    for (int i = 0; i < 5000; ++i)
        add(float(i), float(8 + 4 * noise.next() + (i % 700 == 0 ? 9 : 0) + (i % 900 == 0 ? 15 : 0)));
    check("first pass");
    add(5000, 3);
    check("one point more");
    for (int i = 5001; i < 8000; ++i)
        add(float(i), float(6 + 3 * noise.next()));
    check("points beyond MaxX");
    st.maxX = 9000;
    check("wider X window");
    st.pts[100].Y = 19.5f;
    a.g.setDpY(0, 100, 19.5f);
    check("a stored Y changed");
    st.steps = true;
    check("steps");
    st.large = true;
    st.minX = 2000;
    st.maxX = 4000;
    check("zoomed");
    st.maxX = 9000;
    for (int i = 8000; i < 8500; ++i)
        add(float(i), float(12 + noise.next()));
    check("zoomed, more points");
    st.large = false;
    st.minX = 0;
    st.steps = false;
    check("full view");
    add(10, 18);  // X goes back
    check("X went back");
    st.pts.clear();
    a.g.Clear(0);
    for (int i = 0; i < 10; ++i)
        add(float(i * 900), float(5 + i));
    check("cleared and filled again");
}

TEST(CurveGraphDrawing, FrameFollowsEveryChangeOfAxesAndLook)
{
    std::vector<std::function<void(CurveGraph&)>> changes = {
        [](CurveGraph& g) { g.setMaxY(0, 40); },
        [](CurveGraph& g) { g.setMinY(1, 2); },
        [](CurveGraph& g) { g.setMaxX(120); },
        [](CurveGraph& g) { g.setMinX(10); },
        [](CurveGraph& g) { g.setxBarType(1); },
        [](CurveGraph& g) { g.setGridColor(0x00C000); },
        [](CurveGraph& g) { g.setGridType1(1); },
        [](CurveGraph& g) { g.setGridType2(0); },
        [](CurveGraph& g) { g.setBackColor(0x202020); },
        [](CurveGraph& g) { g.setAxesColor(0xFFFFFF); },
        [](CurveGraph& g) { g.setShowAxesY2(true); },
        [](CurveGraph& g) { g.setMaxY(2, 50); },
        [](CurveGraph& g) { g.setAxesY1Txt(QStringLiteral("[mA]")); },
        [](CurveGraph& g) { g.setAxesY2Txt(QStringLiteral("[C]")); },
        [](CurveGraph& g) { g.setShowAxesY1(false); },
        [](CurveGraph& g) { g.resize(640, 420); },
    };
    const auto points = [](CurveGraph& g) {
        g.setShowCurve(0, true);
        for (int i = 0; i <= 120; ++i)
            g.AddXY(0, float(i), float(i % 30));
    };
    Chart a;
    points(a.g);
    a.g.DrawCurve();
    QImage previous = a.shot();
    for (size_t k = 0; k < changes.size(); ++k) {
        changes[k](a.g);
        a.g.DrawCurve();
        Chart b;
        points(b.g);
        for (size_t j = 0; j <= k; ++j)
            changes[j](b.g);
        b.g.DrawCurve();
        const QImage now = a.shot();
        EXPECT_EQ(now, b.shot()) << k;
        EXPECT_NE(now, previous) << k;
        previous = now;
    }
}

TEST(CurveGraphDrawing, PaintsComeOncePerPeriodAndShowTheLastPass)
{
    Chart c;
    struct Counter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            paints += e->type() == QEvent::Paint;
            return false;
        }
    } counter;
    c.surface()->installEventFilter(&counter);
    c.g.setShowCurve(0, true);
    c.g.setLegendText(0, QStringLiteral("Voltage"));
    c.g.setShowLegend(0, true);
    c.g.setShowCurve(1, true);
    c.g.setLegendText(1, QStringLiteral("Current"));
    c.g.setShowLegend(1, true);
    c.g.setRepaintPeriod(1);
    c.g.AddXY(0, 0, 10);
    c.g.DrawCurve();
    ASSERT_TRUE(QTest::qWaitFor([&] { return counter.paints > 0; }, 5000));

    // A long period: samples keep coming, no paint follows ...
    c.g.setRepaintPeriod(600000);
    c.g.DrawCurve();
    QApplication::processEvents();
    counter.paints = 0;
    for (int i = 1; i <= 30; ++i) {
        c.g.AddXY(0, float(i), 10);
        c.g.AddXY(1, float(i), 5);
        c.g.DrawCurve();
        QApplication::processEvents();
    }
    EXPECT_EQ(counter.paints, 0);
    // ... yet a picture taken now shows the last pass.
    EXPECT_TRUE(near(c.shot(), pixelOf(c.g, 0, 600, 400, 30, 10).x(), rowOf(10, 0, 20), rgb(kBlue)));
    // A shorter period lets the due paint come.
    counter.paints = 0;
    c.g.setRepaintPeriod(5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints > 0; }, 5000));
}

// ---------------------------------------------------------------- interaction

TEST(CurveGraphInteraction, CursorReadoutOfCurvesZeroOneThreeAndFour)
{
    Chart c;
    c.g.setMaxX(600);
    for (int i = 0; i <= 600; ++i) {
        c.g.AddXY(0, float(i), 3.7f + i * 0.01f);
        c.g.AddXY(1, float(i), 2.5f);
        c.g.AddXY(3, float(i), i * 0.1f);
    }
    c.g.AddXY(4, 0, 1);
    c.g.DrawCurve();
    QLabel* disp = c.label("lblDisp");
    QWidget* line = c.child("Line1");

    // On the plot's left edge nothing shows.
    QTest::mousePress(c.surface(), Qt::RightButton, {}, QPoint(50, 200));
    EXPECT_TRUE(disp->isHidden());
    QTest::mouseRelease(c.surface(), Qt::RightButton, {}, QPoint(50, 200));

    // x 300 is X 300 of 0..600; curve 4 has no point there: 0.
    QTest::mousePress(c.surface(), Qt::RightButton, {}, QPoint(300, 200));
    ASSERT_FALSE(disp->isHidden());
    EXPECT_FALSE(line->isHidden());
    EXPECT_EQ(line->x(), 300);
    EXPECT_EQ(disp->text(), QStringLiteral("6.700V   2.500A\n30.00Ah 0.000Wh"));
    EXPECT_EQ(disp->x(), 305);
    EXPECT_EQ(disp->y(), 180);
    // Near the right edge the read-out goes to the left of the line.
    QTest::mouseMove(c.surface(), QPoint(540, 150));
    EXPECT_EQ(line->x(), 540);
    EXPECT_EQ(disp->x(), 540 - 5 - disp->width());
    EXPECT_TRUE(disp->text().startsWith(QStringLiteral("9.580V   ")));
    QTest::mouseRelease(c.surface(), Qt::RightButton, {}, QPoint(540, 150));
    EXPECT_TRUE(disp->isHidden());
    EXPECT_TRUE(line->isHidden());
}

TEST(CurveGraphInteraction, RubberBandZoomsScrollsAndUnzooms)
{
    Chart c;  // plot 500 pixels wide
    c.g.setSize(true);
    c.g.setMaxX(5000);  // 10 X units per pixel
    c.g.setShowCurve(0, true);
    for (int i = 0; i <= 5000; i += 10)
        c.g.AddXY(0, float(i), 10);
    c.g.DrawCurve();
    QWidget* s = c.surface();
    auto* bar = c.g.findChild<QScrollBar*>(QStringLiteral("HScroll1"));

    // 10 x 10 pixels: no zoom.
    QTest::mousePress(s, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(s, QPoint(110, 110));
    QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(110, 110));
    EXPECT_FALSE(c.g.Large());
    EXPECT_EQ(c.g.MaxX(), 5000.f);

    // 60 x 200 pixels from (110, 100): X 600 .. 1200.
    QTest::mousePress(s, Qt::LeftButton, {}, QPoint(110, 100));
    QTest::mouseMove(s, QPoint(150, 105));
    QTest::mouseMove(s, QPoint(170, 300));
    EXPECT_FALSE(c.child("shpRect")->isHidden());
    EXPECT_EQ(c.child("shpRect")->geometry(), QRect(110, 100, 60, 200));
    QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(170, 300));
    EXPECT_TRUE(c.child("shpRect")->isHidden());
    ASSERT_TRUE(c.g.Large());
    EXPECT_EQ(c.g.MinX(), 600.f);
    EXPECT_EQ(c.g.MaxX(), 1200.f);
    const float yScale = float(20.0 / 310);
    EXPECT_FLOAT_EQ(c.g.MinY(0), float((400 - 100 - 200 - 50) * yScale));
    EXPECT_FLOAT_EQ(c.g.MaxY(0), float((400 - 100 - 50) * yScale));
    EXPECT_EQ(c.g.MaxY(2), 100.f);  // axis 2 takes no part
    EXPECT_FALSE(bar->isHidden());
    EXPECT_EQ(bar->maximum(), 73);  // 5000 * 10 / 600 = 83, less 10
    EXPECT_EQ(bar->value(), 10);
    EXPECT_EQ(s->height(), c.g.height() - bar->height());

    // The zoomed view draws X 900 (a point) in the middle of the plot.
    const QImage zoomed = c.shot();
    const int y10 =
        s->height() -
        (int(RoundHalfEven((10 - c.g.MinY(0)) / (float(c.g.MaxY(0) - c.g.MinY(0)) / (s->height() - 90)))) + 50);
    EXPECT_TRUE(near(zoomed, 300, y10, rgb(kBlue)));

    // Scrolling moves the window by tenths of its width.
    bar->setValue(20);
    EXPECT_EQ(c.g.MinX(), 1200.f);
    EXPECT_EQ(c.g.MaxX(), 1800.f);
    bar->setValue(bar->maximum());
    EXPECT_EQ(c.g.MinX(), 4380.f);
    EXPECT_EQ(c.g.MaxX(), 4980.f);

    // A left press while zoomed restores the full view.
    QTest::mousePress(s, Qt::LeftButton, {}, QPoint(200, 200));
    QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(200, 200));
    EXPECT_FALSE(c.g.Large());
    EXPECT_EQ(c.g.MinX(), 0.f);
    EXPECT_EQ(c.g.MaxX(), 5000.f);
    EXPECT_EQ(c.g.MaxY(0), 20.f);
    EXPECT_TRUE(bar->isHidden());
    EXPECT_EQ(s->height(), c.g.height());

    // Without Size the left button zooms nothing.
    c.g.setSize(false);
    QTest::mousePress(s, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(s, QPoint(200, 200));
    QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(200, 200));
    EXPECT_FALSE(c.g.Large());
}

TEST(CurveGraphInteraction, HostUnzoomAndBandsTooNarrowForAWindow)
{
    Chart c;
    c.g.setSize(true);
    c.g.setMaxX(1);  // 0.002 X units per pixel: an 11-pixel band rounds to no width
    c.g.DrawCurve();
    QWidget* s = c.surface();
    QTest::mousePress(s, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(s, QPoint(120, 120));
    QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(120, 120));
    EXPECT_FALSE(c.g.Large());
    EXPECT_EQ(c.g.MaxX(), 1.f);

    // Large = False from the host restores the ranges without drawing.
    c.g.setMaxX(5000);
    c.g.DrawCurve();
    QTest::mousePress(s, Qt::LeftButton, {}, QPoint(110, 100));
    QTest::mouseMove(s, QPoint(170, 120));
    QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(170, 120));
    ASSERT_TRUE(c.g.Large());
    const QImage zoomed = c.shot();
    c.g.setLarge(false);
    EXPECT_EQ(c.g.MinX(), 0.f);
    EXPECT_EQ(c.g.MaxX(), 5000.f);
    QApplication::processEvents();
    EXPECT_EQ(c.shot().copy(0, 0, 600, 300), zoomed.copy(0, 0, 600, 300));
}

TEST(CurveGraphInteraction, LegendDragSnapsAndStaysUntilCurveCountIsSet)
{
    Chart c;
    c.g.setLegendText(0, QStringLiteral("Voltage"));
    c.g.setShowLegend(0, true);
    QLabel* lbl = c.label("lblLegend0");
    ASSERT_EQ(lbl->pos(), QPoint(600 - 120, 73));

    QTest::mousePress(lbl, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(c.child("ShapeLegend0")->isHidden());
    QTest::mouseMove(lbl, QPoint(5 - 57, 5 + 24));
    EXPECT_EQ(c.child("ShapeLegend0")->pos(), QPoint(480 - 57, 73 + 24));
    EXPECT_EQ(lbl->pos(), QPoint(480, 73));  // the label waits for the release
    QTest::mouseRelease(lbl, Qt::LeftButton, {}, QPoint(5 - 57, 5 + 24));
    EXPECT_TRUE(c.child("ShapeLegend0")->isHidden());
    EXPECT_EQ(lbl->pos(), QPoint(420, 95));  // 423, 97 snapped down to fives

    c.g.resize(700, 450);
    QApplication::processEvents();
    EXPECT_EQ(lbl->pos(), QPoint(420, 95));
    c.g.setCurveCount(5);
    EXPECT_EQ(lbl->pos(), QPoint(700 - 120, 73));
}

// No two shown labels overlap, whatever order hosts show them in; labels
// made later start where label 0 stands.
TEST(CurveGraphInteraction, ShownLegendsNeverOverlap)
{
    Chart c;
    const auto checkShown = [&](const char* when) {
        const QStringList faults = qltest::lookAtLegends(c.g).faults;
        EXPECT_TRUE(faults.isEmpty()) << when << ": " << faults.join(", ").toStdString();
    };
    const auto label = [&](int i) { return c.label(("lblLegend" + std::to_string(i)).c_str()); };
    // The set-up of a two-channel device's chart.
    c.g.setCurveCount(10);
    const char* words[3] = {"Voltage", "Current", "Temp"};
    for (int k = 0; k < 3; ++k) {
        c.g.setLegendText(k, QString::fromLatin1(words[k]) + '1');
        c.g.setLegendText(5 + k, QString::fromLatin1(words[k]) + '2');
    }
    for (int i = 5; i < 10; ++i)
        EXPECT_EQ(label(i)->pos(), label(0)->pos()) << i;
    for (int k : {0, 1, 5, 6})
        c.g.setShowLegend(k, true);
    checkShown("two channels");
    // The viewer's label switch: current legends off, then on again.
    for (int k : {6, 1})
        c.g.setShowLegend(k, false);
    checkShown("voltages only");
    for (int k : {6, 1})
        c.g.setShowLegend(k, true);
    checkShown("all again");
    c.g.setLegendText(5, QStringLiteral("Cell B voltage"));
    c.g.setShowAxesY2(true);
    c.g.setShowLegend(2, true);  // lays out and redraws
    checkShown("temperature");
    c.g.resize(700, 420);
    QApplication::processEvents();
    checkShown("resized");
}

TEST(CurveGraphInteraction, DoubleClicksRaiseTheirEvents)
{
    Chart c;
    QSignalSpy title(&c.g, &CurveGraph::DblClick);
    QSignalSpy legend(&c.g, &CurveGraph::LblClick);
    c.g.setLegendText(1, QStringLiteral("Current"));
    c.g.setShowLegend(1, true);
    c.g.setSize(true);

    QTest::mouseDClick(c.label("lblTitle"), Qt::LeftButton);
    EXPECT_EQ(title.count(), 1);
    QTest::mouseDClick(c.label("lblLegend1"), Qt::LeftButton);
    ASSERT_EQ(legend.count(), 1);
    EXPECT_EQ(legend.at(0).at(0).toInt(), 1);
    QTest::mouseDClick(c.surface(), Qt::LeftButton, {}, QPoint(200, 200));
    EXPECT_EQ(title.count(), 1);
    EXPECT_EQ(legend.count(), 1);
    EXPECT_FALSE(c.g.Large());
}

// ---------------------------------------------------------------- picture

TEST(CurveGraphPicture, TwoChannelsOfLiveData)
{
    Chart c(900, 500);
    c.g.setCurveCount(10);
    c.g.setMaxX(3600);
    c.g.setMaxY(0, 5);
    c.g.setMaxY(1, 3);
    c.g.setCurveLineColor(5, 0x008000);
    c.g.setCurveLineColor(6, 0x0080FF);
    const char* names[] = {"CH1 Volt", "CH1 Curr", nullptr, nullptr, nullptr,
                           "CH2 Volt", "CH2 Curr"};
    for (int i : {0, 1, 5, 6}) {
        c.g.setShowCurve(i, true);
        c.g.setCurveAxesY(i, i % 5);
        c.g.setLegendText(i, QString::fromLatin1(names[i]));
        c.g.setShowLegend(i, true);
    }
    for (int t = 0; t <= 3000; ++t) {
        const float f = t / 3000.f;
        c.g.AddXY(0, float(t), 4.15f - 0.6f * f - 0.5f * std::pow(f, 8.f) + 0.01f * std::sin(t * 0.3f));
        c.g.AddXY(1, float(t), 1.0f + 0.005f * std::sin(t * 0.7f));
        if (t <= 2400) {
            c.g.AddXY(5, float(t), 3.3f - 0.4f * f - 0.4f * std::pow(f * 1.25f, 10.f));
            c.g.AddXY(6, float(t), t < 1200 ? 2.0f : 1.5f);
        }
    }
    c.g.resize(900, 500);  // hosts lay the chart out after adding legends
    c.g.resize(900, 501);
    c.g.DrawCurve();
    QApplication::processEvents();
    const QImage img = c.shot();
    EXPECT_TRUE(near(img, 50, rowOf(4.15, 0, 5, 501), rgb(kBlue), 3));
    const QLabel* l0 = c.label("lblLegend0");
    EXPECT_EQ(c.label("lblLegend6")->x(), l0->x());
    EXPECT_GT(c.label("lblLegend6")->y(), c.label("lblLegend5")->y());
    const QString path = qltest::savePicture(&c.g, QStringLiteral("curvegraph_two_channels"));
    EXPECT_TRUE(QFile::exists(path));
}
