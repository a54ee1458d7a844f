// The seven-segment readout and the curve chart at the scale factor this
// program runs at: they are drawn in the screen's pixels (not a picture of
// the widget's size enlarged), every grid line is equally wide, and what
// the widget shows is that picture, pixel for pixel.
#include "controls/curvegraph.h"
#include "controls/lcdisp.h"
#include "lcdcells.h"
#include "paintwatch.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace {

qreal ratio() { return qApp->devicePixelRatio(); }

QImage shownPixels(QWidget* w) { return w->grab().toImage().convertToFormat(QImage::Format_RGB32); }

// Blocks of ratio x ratio screen pixels (whole ratios only) that are not of
// one colour: a picture enlarged from the widget's size has none.
int mixedBlocks(const QImage& img, int k)
{
    int mixed = 0;
    for (int y = 0; y + k <= img.height(); y += k)
        for (int x = 0; x + k <= img.width(); x += k) {
            const QRgb c = img.pixel(x, y);
            bool same = true;
            for (int dy = 0; dy < k && same; ++dy)
                for (int dx = 0; dx < k && same; ++dx)
                    same = img.pixel(x + dx, y + dy) == c;
            mixed += !same;
        }
    return mixed;
}

// Widths of the runs of colour c along row y from x0 to x1.
std::multiset<int> runWidths(const QImage& img, int y, int x0, int x1, QRgb c)
{
    std::multiset<int> widths;
    int run = 0;
    for (int x = x0; x < x1; ++x) {
        if (img.pixel(x, y) == c) {
            ++run;
        } else if (run > 0) {
            widths.insert(run);
            run = 0;
        }
    }
    return widths;
}

} // namespace

TEST(HighResolution, ReadoutIsDrawnInScreenPixelsAndShownAsDrawn)
{
    ql::LCDisp lcd;
    lcd.setTheme(0);  // slanted (hexagon) segments
    lcd.setValue(QStringLiteral("18.8"));
    lcd.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&lcd));
    const qreal r = ratio();
    const QImage surface = lcd.Surface();
    EXPECT_EQ(surface.width(), qRound(lcd.width() * r));
    EXPECT_EQ(surface.height(), qRound(lcd.height() * r));

    const QImage shown = shownPixels(&lcd);
    ASSERT_EQ(shown.size(), surface.size());
    EXPECT_EQ(shown, surface.convertToFormat(QImage::Format_RGB32));

    // The segments' slanted ends are drawn in screen pixels.
    if (r == 2) {
        EXPECT_GT(mixedBlocks(surface, 2), 20);
    }

    // A changed digit repaints only its cell, in screen pixels too.
    qltest::PaintWatch watch(&lcd);
    ASSERT_TRUE(watch.Flush());
    lcd.setValue(QStringLiteral("19.8"));
    const auto painted = watch.Flush();
    ASSERT_TRUE(painted);
    int cells = 0;
    for (int i = 0; i < lcd.NumDigits(); ++i)
        cells += painted->intersects(qltest::LcdCell(lcd, i)) ? 1 : 0;
    EXPECT_EQ(cells, 1);
    EXPECT_EQ(shownPixels(&lcd), lcd.Surface().convertToFormat(QImage::Format_RGB32));
}

TEST(HighResolution, ChartTextAndGridAreDrawnInScreenPixelsWithEvenLines)
{
    ql::CurveGraph g;
    g.resize(600, 400);  // one right axis: plot 50..550 x 40..350
    g.setGridType1(0);
    g.setGridType2(0);
    g.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&g));
    g.DrawCurve();
    QWidget* surface = g.findChild<QWidget*>(QStringLiteral("picGraph"));
    ASSERT_TRUE(surface);
    const QImage shot = shownPixels(surface);
    const qreal r = ratio();
    ASSERT_EQ(shot.width(), qRound(surface->width() * r));

    // Along a row through the plot area the vertical grid lines (both
    // kinds, solid) are each as wide as the others: whole screen pixels.
    const int y = qRound(95 * r);  // between two horizontal grid lines, below the watermark
    const QRgb gridColour = shot.pixel(qRound(100 * r), qRound(300 * r));
    const std::multiset<int> widths = runWidths(shot, y, qRound(52 * r), qRound(548 * r), gridColour);
    ASSERT_EQ(widths.size(), 19u);  // every half division between the axes
    EXPECT_EQ(*widths.begin(), *widths.rbegin()) << "grid lines of unequal width";
    EXPECT_EQ(*widths.begin(), int(std::floor(r)));

    // The axis text is drawn in screen pixels.
    if (r == 2) {
        const QImage labels = shot.copy(0, qRound(355 * r), shot.width(), shot.height() - qRound(355 * r));
        EXPECT_GT(mixedBlocks(labels, 2), 50);
    }
}

// A chart redrawn pass after pass (points added, a stored point moved, a
// curve hidden, a curve cleared and filled again) shows at every pass what a
// new chart of the same curves shows: nothing an earlier pass drew is left
// behind. Pen widths 1, 2, 3 and 5 give square and round pens at every scale.
TEST(HighResolution, RedrawnChartsShowWhatNewChartsOfTheSameCurvesShow)
{
    constexpr int kCurves = 3;
    struct State {
        std::vector<std::vector<QPointF>> pts = std::vector<std::vector<QPointF>>(kCurves);
        bool shown[kCurves] = {true, true, true};
        int line = 1;
    };
    const auto setUp = [](ql::CurveGraph& g, const State& s) {
        g.setCurveCount(kCurves);
        g.setLine(s.line);
        g.setMaxX(400);
        for (int c = 0; c < kCurves; ++c) {
            g.setShowCurve(c, s.shown[c]);
            g.setCurveLineColor(c, 0x0000C0u << (8 * c));
        }
    };
    const auto shot = [](ql::CurveGraph& g) {
        g.DrawCurve();
        return shownPixels(g.findChild<QWidget*>(QStringLiteral("picGraph")));
    };
    uint32_t seed = 7;
    const auto noise = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return float(seed >> 8) / float(1u << 24);
    };
    for (const int line : {1, 2, 3, 5}) {
        State st;
        st.line = line;
        ql::CurveGraph a;
        a.resize(600, 400);
        setUp(a, st);
        a.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&a));
        const auto add = [&](int c, float x, float y) {
            st.pts[size_t(c)].push_back({x, y});
            a.AddXY(c, x, y);
        };
        const auto check = [&](const char* step) {
            setUp(a, st);
            ql::CurveGraph b;
            b.resize(600, 400);
            setUp(b, st);
            for (int c = 0; c < kCurves; ++c)
                for (const QPointF& p : st.pts[size_t(c)])
                    b.AddXY(c, float(p.x()), float(p.y()));
            b.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&b));
            EXPECT_EQ(shot(a), shot(b)) << step << ", line " << line;
        };
        for (int i = 0; i < 300; ++i)
            for (int c = 0; c < kCurves; ++c)
                add(c, float(i), 4 + 5 * c + 3 * noise() + (i % 37 == 0 ? 6 : 0));
        check("first pass");
        for (int i = 300; i < 320; ++i)
            for (int c = 0; c < kCurves; ++c)
                add(c, float(i), 4 + 5 * c + 3 * noise());
        check("points added");
        st.pts[0][150].setY(19);
        a.setDpY(0, 150, 19);
        check("a stored point moved");
        st.shown[1] = false;
        check("a curve hidden");
        st.pts[2].clear();
        a.Clear(2);
        for (int i = 0; i < 400; i += 50)
            add(2, float(i), float(2 + i / 40));
        check("a curve cleared and filled again");
    }
}
