// Curve chart: data model, drawing checked by pixels, and mouse interaction
// driven by real events.
#include "controls/curvegraph.h"
#include "controls/curvegraphmath.h"
#include "testutil.h"

#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

using ql::CurveGraph;
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
    return h - (int(cg::RoundEven((v - min) / scale)) + 50);
}

} // namespace

// ---------------------------------------------------------------- data model

TEST(CurveGraphModel, StartsWithTheDocumentedValues)
{
    CurveGraph g;
    EXPECT_EQ(g.CurveCount(), 5);
    EXPECT_EQ(g.CurveLineColor(0), kBlue);
    EXPECT_EQ(g.CurveLineColor(1), kRed);
    EXPECT_EQ(g.CurveLineColor(2), 0u);
    EXPECT_EQ(g.TitleText(), QStringLiteral("QL Tester Software"));
    EXPECT_EQ(g.MinX(), 0.f);
    EXPECT_EQ(g.MaxX(), 60.f);
    EXPECT_EQ(g.MaxY(0), 20.f);
    EXPECT_EQ(g.MaxY(1), 10.f);
    EXPECT_EQ(g.MaxY(2), 100.f);
    EXPECT_EQ(g.MinY(2), 0.f);
    EXPECT_EQ(g.GridColor(), 0x646464u);
    EXPECT_EQ(g.GridType1(), 0);
    EXPECT_EQ(g.GridType2(), 2);
    EXPECT_EQ(g.BackColor(), 0xFFFFFFu);
    EXPECT_EQ(g.AxesColor(), 0u);
    EXPECT_EQ(g.Line(), 2);
    EXPECT_EQ(g.AxesY1Txt(), QStringLiteral("[A]"));
    EXPECT_EQ(g.AxesY2Txt(), QStringLiteral("[W]"));
    EXPECT_TRUE(g.ShowAxesY1());
    EXPECT_FALSE(g.ShowAxesY2());
    EXPECT_FALSE(g.Size());
    EXPECT_FALSE(g.Large());
    EXPECT_FALSE(g.YStep());
    EXPECT_EQ(g.xBarType(), 0);
    for (int c = 0; c < 5; ++c) {
        EXPECT_FALSE(g.ShowCurve(c));
        EXPECT_FALSE(g.ShowLegend(c));
        EXPECT_EQ(g.CurveAxesY(c), 0);
        EXPECT_EQ(g.DpCnt(c), 0);
    }
}

TEST(CurveGraphModel, PointsGrowAcrossStorageBlocksAndClear)
{
    CurveGraph g;
    const int n = 300000;  // past the first array and into a second block
    for (int i = 0; i < n; ++i)
        g.AddXY(1, float(i), float(i % 977));
    g.AddXY(0, 1.5f, 2.5f);
    ASSERT_EQ(g.DpCnt(1), n);
    for (int i : {0, 999, 1000, 32767, 32768, 32768 + 262143, 32768 + 262144, n - 1}) {
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
    EXPECT_EQ(cg::RoundEven(2.5), 2);
    EXPECT_EQ(cg::RoundEven(3.5), 4);
    EXPECT_EQ(cg::RoundEven(-2.5), -2);
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
    const int y10 = s->height() - (int(cg::RoundEven((10 - c.g.MinY(0)) / (float(c.g.MaxY(0) - c.g.MinY(0)) / (s->height() - 90)))) + 50);
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

TEST(CurveGraphInteraction, LegendsStackBelowLabelZero)
{
    Chart c;
    for (int i : {0, 1, 3}) {
        c.g.setLegendText(i, QStringLiteral("curve %1").arg(i));
        c.g.setShowLegend(i, true);
    }
    c.g.resize(640, 400);
    QApplication::processEvents();
    QLabel* l0 = c.label("lblLegend0");
    QLabel* l1 = c.label("lblLegend1");
    QLabel* l3 = c.label("lblLegend3");
    EXPECT_EQ(l0->pos(), QPoint(640 - 120, 73));
    EXPECT_EQ(l1->pos(), QPoint(l0->x(), l0->y() + l0->height() + 5));
    EXPECT_EQ(l3->pos(), QPoint(l0->x(), l1->y() + l1->height() + 5));
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
