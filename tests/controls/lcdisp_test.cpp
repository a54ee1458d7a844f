#include "controls/lcdisp.h"

#include "lcdcells.h"
#include "paintwatch.h"
#include "testutil.h"

#include <gtest/gtest.h>
#include <QSignalSpy>
#include <QTest>

#include <limits>
#include <memory>
#include <vector>

using ql::LCDisp;

namespace {

constexpr uint32_t kCyan = 0xFFFF00;  // COLORREF of (0, 255, 255)
constexpr uint32_t kRed = 0x0000FF;   // (255, 0, 0)

QRgb rgbOf(uint32_t colorref)
{
    return ql::ColorFromRef(colorref).rgb();
}

// Reads the readout back from its pixels: each cell's seven segments are
// sampled at the middle of where they lie and matched against the digit
// patterns; lit points, colons and separators are read at their places.
class Reader {
public:
    explicit Reader(const LCDisp& lcd) : lcd_(lcd), img_(lcd.Surface()) {}

    const QImage& img() const { return img_; }

    bool lit(int x, int y, uint32_t colour) const
    {
        return img_.valid(x, y) && img_.pixel(x, y) == rgbOf(colour);
    }

    QString segments(int cell, bool exp, uint32_t colour) const
    {
        const QRect r = qltest::LcdCell(lcd_, cell, exp);
        const int w = exp ? lcd_.SegmentWidthExp() : lcd_.SegmentWidth();
        const int W = r.width(), H = r.height(), m = (w - 1) / 2;
        const QPoint at[7] = {{W / 2, m},         {W - 1 - m, H / 4}, {W - 1 - m, 3 * H / 4}, {W / 2, H - 1 - m},
                              {m, 3 * H / 4},     {m, H / 4},         {W / 2, H / 2}};
        QString bits;
        for (const QPoint& p : at)
            bits += lit(r.x() + p.x(), r.y() + p.y(), colour) ? u'1' : u'0';
        return bits;
    }

    QChar cell(int cell, bool exp, uint32_t colour) const
    {
        static const char* const patterns[] = {"1111110", "0110000", "1101101", "1111001", "0110011", "1011011",
                                               "1011111", "1110000", "1111111", "1111011", "0000001", "1110111",
                                               "0011111", "1001110", "0111101", "1001111", "1000111"};
        static const char shown[] = "0123456789-AbCdEF";
        const QString bits = segments(cell, exp, colour);
        if (bits == QLatin1String("0000000"))
            return u' ';
        for (int i = 0; i < 17; ++i)
            if (bits == QLatin1String(patterns[i]))
                return QLatin1Char(shown[i]);
        return u'?';
    }

    // Square point (DecimalSeparator 1) after mantissa cell k.
    bool pointAfter(int k, uint32_t colour) const
    {
        const QRect r = qltest::LcdCell(lcd_, k);
        const int w = lcd_.SegmentWidth();
        const int x = r.right() + 1 + lcd_.InterDigitGap() / 2 - w / 2;
        const int y = lcd_.YOffset() + r.height() - w + 1 - (lcd_.SegmentStyle() == 2 ? 1 : 0);
        return lit(x + (w - 2) / 2, y + (w - 2) / 2, colour);
    }

    bool colonAfter(int k, uint32_t colour) const
    {
        const QRect r = qltest::LcdCell(lcd_, k);
        const int w = lcd_.SegmentWidth(), h = lcd_.SegmentHeight();
        const int x = r.right() + 1 + lcd_.InterDigitGap() / 2 - w / 2 + 1;
        const int y = h / 2 + lcd_.YOffset() + w / 2;
        return lit(x, y, colour) && lit(x, y + h, colour);
    }

    bool separatorAfter(int k, uint32_t colour) const
    {
        const QRect r = qltest::LcdCell(lcd_, k);
        const int w = lcd_.SegmentWidth(), h = lcd_.SegmentHeight(), Y = lcd_.YOffset();
        if (lcd_.ThousandsSeparator() == 0) {
            // Slanted stroke: sampled half way down, right of its left edge.
            const int x = r.right() + 1 - w, y = Y + r.height() - w - 1;
            return lit(x + h / 4 + w / 2, y + Y - w + h / 2, colour);
        }
        const int x = r.right() + 1 + lcd_.InterDigitGap() / 2 - w / 2;
        const int y = Y + r.height() - w + 1 - (lcd_.SegmentStyle() == 2 ? 1 : 0);
        return lit(x + (w - 2) / 2, y + (w - 2) / 2, colour);
    }

    // The mantissa row as text, marks included.
    std::string mantissa(uint32_t colour) const
    {
        QString out;
        for (int i = 0; i < lcd_.NumDigits(); ++i) {
            out += cell(i, false, colour);
            // A separator and a point share their place.
            if (lcd_.ShowThousandsSeparator() && separatorAfter(i, colour))
                out += u',';
            else if (pointAfter(i, colour))
                out += u'.';
            if (colonAfter(i, colour))
                out += u':';
        }
        return out.toStdString();
    }

    std::string exponent(uint32_t colour) const
    {
        QString out;
        for (int i = 0; i < lcd_.NumDigitsExp(); ++i)
            out += cell(i, true, colour);
        return out.toStdString();
    }

private:
    const LCDisp& lcd_;
    QImage img_;
};

// The box of the pixels within area that differ from the background.
QRect inkBox(const QImage& img, const QRect& area, QRgb background)
{
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (img.valid(x, y) && img.pixel(x, y) != background)
                box |= QRect(x, y, 1, 1);
    return box;
}

std::unique_ptr<LCDisp> makeReadout(int theme, int digits)
{
    auto lcd = std::make_unique<LCDisp>();
    lcd->setTheme(theme);
    lcd->setNumDigits(digits);
    lcd->setNumDigitsExp(3);
    return lcd;
}

} // namespace

// A new control, and one loaded from a store without keys, show the same
// picture: block digits, cyan on black, the exponent row blank.
TEST(LCDisp, NewControlShowsItsDefaultReadout)
{
    LCDisp lcd;
    LCDisp loaded;
    loaded.setValue("8");
    loaded.ReadProperties({});
    EXPECT_EQ(loaded.Surface(), lcd.Surface());
    EXPECT_EQ(lcd.size(), QSize(403, 31));  // 6045 x 465 twips
    // Block digits, cyan on black, the exponent row blank.
    Reader read(lcd);
    EXPECT_EQ(read.mantissa(kCyan), "          1234567890");
    EXPECT_EQ(read.exponent(kCyan), "    ");
    EXPECT_EQ(read.segments(0, false, 0x505000), "1111111");  // burn-in of a blank cell
    // The cells lie where the documented layout puts them: the burn-in of a
    // blank cell fills its box but for the clear bottom row, and nothing else
    // is drawn within half a gap of it.
    const QRect cell = qltest::LcdCell(lcd, 9);
    EXPECT_EQ(cell, QRect(1 + 5 + 9 * (11 + 6), 5, 11, 21));
    const int margin = lcd.InterDigitGap() / 2;
    EXPECT_EQ(inkBox(read.img(), cell.adjusted(-margin, -margin, margin, margin), rgbOf(0)),
              cell.adjusted(0, 0, 0, -1));
}

TEST(LCDisp, PropertiesRoundTripThroughTheStore)
{
    LCDisp a;
    QSignalSpy spy(&a, &LCDisp::propertyChanged);
    a.setBackAngle(45);
    a.setBackColor1(0x102030);
    a.setBackColor2(0x405060);
    a.setBackMiddleOut(false);
    a.setBorderColor(0x00FF00);
    a.setBorderWidth(2);
    a.setBurnInColor(0x111111);
    a.setBurnInColorNeg(0x222222);
    a.setCurveBottomLeft(3);
    a.setCurveBottomRight(4);
    a.setCurveTopLeft(5);
    a.setCurveTopRight(6);
    a.setDecimalSeparator(0);
    a.setInterDigitGap(7);
    a.setInterDigitGapExp(3);
    a.setInterSegmentGap(1);
    a.setInterSegmentGapExp(1);
    a.setNumDigits(8);
    a.setNumDigitsExp(3);
    a.setPictureMode(2);
    a.setSeg3DAngle(30);
    a.setSeg3DColor1(0x0000AA);
    a.setSeg3DColor2(0x00AA00);
    a.setSeg3DMiddleOut(false);
    a.setSegmentFillStyle(2);
    a.setSegmentHeight(10);
    a.setSegmentHeightExp(7);
    a.setSegmentLitColor(0x0000FF);
    a.setSegmentLitColorNeg(0x00FF00);
    a.setSegmentStyle(1);
    a.setSegmentStyleExp(0);
    a.setSegmentWidth(4);
    a.setSegmentWidthExp(5);
    a.setShowBurnIn(false);
    a.setShowExponent(false);
    a.setShowThousandsSeparator(true);
    a.setThousandsGrouping(4);
    a.setThousandsSeparator(1);
    a.setValue("-12.5");
    a.setXOffset(9);
    a.setXOffsetExp(200);
    a.setYOffset(2);
    a.setYOffsetExp(3);
    a.setTheme(17);  // no preset: stored only
    QImage pic(4, 4, QImage::Format_RGB32);
    pic.fill(Qt::magenta);
    a.setPicture(pic);
    EXPECT_EQ(spy.count(), 45);
    EXPECT_EQ(spy.first().first().toString(), "BackAngle");

    QVariantMap bag;
    a.WriteProperties(bag);
    EXPECT_EQ(bag.size(), 45);
    EXPECT_EQ(bag.value("ShowBurnIn").toInt(), 0);
    EXPECT_EQ(bag.value("BackMiddleOut").toInt(), 0);
    EXPECT_EQ(bag.value("Seg3DMiddleOut").toInt(), 0);
    EXPECT_EQ(bag.value("ShowThousandsSeparator").toInt(), -1);

    LCDisp b;
    b.ReadProperties(bag);
    QVariantMap again;
    b.WriteProperties(again);
    for (auto it = bag.constBegin(); it != bag.constEnd(); ++it)
        EXPECT_EQ(again.value(it.key()), it.value()) << it.key().toStdString();
    EXPECT_EQ(b.Picture().pixel(0, 0), QColor(Qt::magenta).rgb());
    EXPECT_EQ(b.Theme(), 17);
    EXPECT_EQ(b.Value(), "-12.5");
}

TEST(LCDisp, LoadingUsesDefaultsAndEvensTrapezoidAndHexagonSizes)
{
    LCDisp lcd;
    lcd.ReadProperties({{"SegmentStyle", 1}, {"SegmentWidth", 3}, {"SegmentHeight", 9}, {"ShowBurnIn", "False"},
                        {"BorderColor", -2147483630}});  // a system colour stored as a signed 32-bit number
    EXPECT_EQ(lcd.SegmentWidth(), 4);
    EXPECT_EQ(lcd.SegmentHeight(), 10);
    EXPECT_FALSE(lcd.ShowBurnIn());
    EXPECT_EQ(lcd.BorderColor(), 0x80000012u);
    EXPECT_EQ(lcd.NumDigits(), 20);
    EXPECT_EQ(lcd.Value(), "1234567890");

    lcd.ReadProperties({{"SegmentStyle", 2}, {"SegmentWidth", 3}, {"SegmentHeight", 9}});
    EXPECT_EQ(lcd.SegmentWidth(), 3);
    EXPECT_EQ(lcd.SegmentHeight(), 9);
    EXPECT_TRUE(lcd.ShowBurnIn());
}

TEST(LCDisp, ThemesSetTheirPresetAndSizeAndKeepTheValue)
{
    LCDisp lcd;
    lcd.setValue("42.5");
    lcd.setSeg3DAngle(12);
    lcd.setTheme(2);
    EXPECT_EQ(lcd.Theme(), 2);
    EXPECT_EQ(lcd.size(), QSize(435, 38));  // 6525 x 570 twips
    EXPECT_EQ(lcd.BackColor1(), 0xE0E0E0u);
    EXPECT_EQ(lcd.BackColor2(), 0xE0E0E0u);
    EXPECT_EQ(lcd.SegmentLitColor(), 0u);
    EXPECT_EQ(lcd.SegmentStyle(), 1);
    EXPECT_EQ(lcd.XOffsetExp(), 370);
    EXPECT_EQ(lcd.Value(), "42.5");
    EXPECT_FLOAT_EQ(lcd.Seg3DAngle(), 12.0f);
    Reader read(lcd);
    EXPECT_EQ(read.mantissa(0), std::string(17, ' ') + "42.5");
    EXPECT_EQ(read.img().pixel(2, 2), QColor(224, 224, 224).rgb());

    const QSize before = lcd.size();
    lcd.setTheme(9);  // outside the presets: stored, nothing else changes
    EXPECT_EQ(lcd.Theme(), 9);
    EXPECT_EQ(lcd.size(), before);
    EXPECT_EQ(lcd.SegmentStyle(), 1);
}

// Value layout checked on the pixels, in the block (4), trapezoid (2) and
// hexagon (0) themes.
class LCDispThemes : public ::testing::TestWithParam<int> {
protected:
    uint32_t litColour() const { return GetParam() == 4 ? kCyan : GetParam() == 2 ? 0u : kRed; }
};

TEST_P(LCDispThemes, DrawsValuesIntoCells)
{
    auto lcd = makeReadout(GetParam(), 6);
    const uint32_t lit = litColour();

    lcd->setValue("12.5");
    EXPECT_EQ(Reader(*lcd).mantissa(lit), "   12.5");
    EXPECT_EQ(Reader(*lcd).exponent(lit), "   ");

    lcd->setValue("abc");  // upper case: A, b, C
    EXPECT_EQ(lcd->Value(), "ABC");
    EXPECT_EQ(Reader(*lcd).mantissa(lit), "   AbC");

    lcd->setValue("12:34");
    EXPECT_EQ(Reader(*lcd).mantissa(lit), "  12:34");

    lcd->setValue("1.5E-3");
    EXPECT_EQ(Reader(*lcd).mantissa(lit), "    1.5");
    EXPECT_EQ(Reader(*lcd).exponent(lit), "-03");
    lcd->setValue("1.5E+03");
    EXPECT_EQ(Reader(*lcd).exponent(lit), " 03");

    lcd->setValue(".5");
    EXPECT_EQ(lcd->Value(), "0.5");
    EXPECT_EQ(Reader(*lcd).mantissa(lit), "    0.5");

    lcd->setValue("1,5");  // a comma serves as the point of a text without one
    EXPECT_EQ(Reader(*lcd).mantissa(lit), "    1.5");
}

TEST_P(LCDispThemes, NegativeValuesUseTheNegativeColours)
{
    auto lcd = makeReadout(GetParam(), 6);
    const uint32_t neg = 0x00FF00;  // green
    lcd->setSegmentLitColorNeg(neg);
    lcd->setValue("-3.2");
    EXPECT_EQ(Reader(*lcd).mantissa(neg), "   -3.2");
    EXPECT_EQ(Reader(*lcd).mantissa(litColour()), "      ");

    // -0 and a lone minus count as positive.
    lcd->setValue("-0");
    EXPECT_EQ(Reader(*lcd).mantissa(litColour()), "    -0");
    lcd->setValue("-");
    EXPECT_EQ(Reader(*lcd).mantissa(litColour()), "     -");
}

TEST_P(LCDispThemes, ThousandsSeparators)
{
    auto lcd = makeReadout(GetParam(), 8);
    const uint32_t lit = litColour();
    lcd->setShowThousandsSeparator(true);
    lcd->setValue("1234567");
    EXPECT_EQ(Reader(*lcd).mantissa(lit), " 1,234,567");
    lcd->setValue("1234.5");
    EXPECT_EQ(Reader(*lcd).mantissa(lit), "   1,234.5");
    lcd->setValue("-12345");
    EXPECT_EQ(Reader(*lcd).mantissa(lit), "  -12,345");
    // Exactly as many digits as cells: the grouping still follows the digits.
    lcd->setValue("12345678");
    EXPECT_EQ(Reader(*lcd).mantissa(lit), "12,345,678");

    lcd->setThousandsSeparator(1);
    lcd->setValue("1234567");
    lcd->setNumDigits(8);  // rebuild: the square shape follows
    EXPECT_EQ(Reader(*lcd).mantissa(lit), " 1,234,567");
}

INSTANTIATE_TEST_SUITE_P(Themes, LCDispThemes, ::testing::Values(4, 2, 0));

namespace {

// The cells of a row that a repainted region touches.
std::vector<int> cellsIn(const LCDisp& lcd, const QRegion& painted, bool exponent)
{
    std::vector<int> cells;
    const int n = exponent ? lcd.NumDigitsExp() : lcd.NumDigits();
    for (int i = 0; i < n; ++i)
        if (painted.intersects(qltest::LcdCell(lcd, i, exponent)))
            cells.push_back(i);
    return cells;
}

} // namespace

TEST(LCDisp, OnlyChangedCellsAreRepainted)
{
    auto lcd = makeReadout(4, 6);
    lcd->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(lcd.get()));
    qltest::PaintWatch watch(lcd.get());
    lcd->setValue("12.3");
    ASSERT_TRUE(watch.Flush());
    lcd->setValue("12.4");
    auto painted = watch.Flush();
    ASSERT_TRUE(painted);
    EXPECT_EQ(*painted, QRegion(qltest::LcdCell(*lcd, 5)));

    lcd->setValue("12.4");
    painted = watch.Flush();
    ASSERT_TRUE(painted);
    EXPECT_TRUE(painted->isEmpty());

    // Moving the point alone repaints the old and the new point, no cell.
    lcd->setValue("1.24");
    painted = watch.Flush();
    ASSERT_TRUE(painted);
    EXPECT_FALSE(painted->isEmpty());
    EXPECT_TRUE(cellsIn(*lcd, *painted, false).empty());
    EXPECT_TRUE(cellsIn(*lcd, *painted, true).empty());
    EXPECT_EQ(Reader(*lcd).mantissa(kCyan), "   1.24");

    // A change of sign repaints every cell, exponent included.
    const std::vector<int> all6{0, 1, 2, 3, 4, 5}, all3{0, 1, 2};
    lcd->setValue("-1.24");
    painted = watch.Flush();
    ASSERT_TRUE(painted);
    EXPECT_EQ(cellsIn(*lcd, *painted, false), all6);
    EXPECT_EQ(cellsIn(*lcd, *painted, true), all3);

    // Assigning the same colour again still rebuilds and redraws everything.
    lcd->setSegmentLitColor(lcd->SegmentLitColor());
    painted = watch.Flush();
    ASSERT_TRUE(painted);
    EXPECT_EQ(cellsIn(*lcd, *painted, false), all6);
    EXPECT_EQ(cellsIn(*lcd, *painted, true), all3);

    // Only the exponent cell that changed.
    lcd->setValue("1.5E-3");
    ASSERT_TRUE(watch.Flush());
    lcd->setValue("1.5E-4");
    painted = watch.Flush();
    ASSERT_TRUE(painted);
    EXPECT_EQ(*painted, QRegion(qltest::LcdCell(*lcd, 2, true)));
}

TEST(LCDisp, BurnInAndExponentSwitches)
{
    auto lcd = makeReadout(4, 4);
    lcd->setValue("1");
    EXPECT_EQ(Reader(*lcd).segments(0, false, 0x505000), "1111111");
    lcd->setShowBurnIn(false);
    EXPECT_EQ(Reader(*lcd).segments(0, false, 0x505000), "0000000");
    EXPECT_EQ(Reader(*lcd).segments(3, false, 0x505000), "0000000");  // the unlit segments of "1" too
    EXPECT_EQ(Reader(*lcd).mantissa(kCyan), "   1");

    lcd->setShowExponent(false);
    lcd->setValue("1.5E-3");
    EXPECT_EQ(Reader(*lcd).mantissa(kCyan), "  1.5");
    EXPECT_EQ(Reader(*lcd).exponent(kCyan), "   ");

    // 3D fill: unlit segments are not drawn even with burn-in on.
    lcd->setShowBurnIn(true);
    lcd->setSegmentFillStyle(2);
    EXPECT_EQ(Reader(*lcd).segments(0, false, 0x505000), "0000000");

    // A stored-only property leaves the picture untouched.
    const QImage before = lcd->Surface();
    lcd->setSeg3DAngle(33);
    EXPECT_EQ(lcd->Surface(), before);
}

TEST(LCDisp, OutOfRangeLayoutIsClampedOrSkipped)
{
    LCDisp lcd;
    lcd.setNumDigits(0);
    EXPECT_EQ(lcd.NumDigits(), 1);
    lcd.setNumDigits(500);
    EXPECT_EQ(lcd.NumDigits(), 50);
    lcd.setNumDigitsExp(0);
    EXPECT_EQ(lcd.NumDigitsExp(), 1);
    lcd.setNumDigitsExp(9);
    EXPECT_EQ(lcd.NumDigitsExp(), 5);
    lcd.setThousandsGrouping(0);
    EXPECT_EQ(lcd.ThousandsGrouping(), 1);
    lcd.setThousandsGrouping(-4);
    EXPECT_EQ(lcd.ThousandsGrouping(), 1);

    lcd.ReadProperties({{"NumDigits", 999}, {"NumDigitsExp", -2}, {"ThousandsGrouping", 0},
                        {"ShowThousandsSeparator", -1}, {"Value", "1234567"}});
    EXPECT_EQ(lcd.NumDigits(), 50);
    EXPECT_EQ(lcd.NumDigitsExp(), 1);
    EXPECT_EQ(lcd.ThousandsGrouping(), 1);

    // Grouping by one: a separator after every digit, and the loop ends.
    lcd.setNumDigits(8);
    Reader read(lcd);
    EXPECT_EQ(read.mantissa(kCyan), " 1,2,3,4,5,6,7");

    // A point or colon left of the row is skipped; the digits keep the last cells.
    lcd.setShowThousandsSeparator(false);
    lcd.setNumDigits(4);
    lcd.setValue("123456.7");
    EXPECT_EQ(Reader(lcd).mantissa(kCyan), "456.7");
    lcd.setValue("1.234567");
    EXPECT_EQ(Reader(lcd).mantissa(kCyan), "4567");
    lcd.setValue("1:234567");
    EXPECT_EQ(Reader(lcd).mantissa(kCyan), "4567");
    // An exponent with a single exponent cell shows its sign only.
    lcd.setNumDigitsExp(1);
    lcd.setValue("2E-5");
    EXPECT_EQ(Reader(lcd).exponent(kCyan), "-");

    // Unknown styles draw nothing and do not fail.
    lcd.setSegmentStyle(7);
    lcd.setSegmentFillStyle(-1);
    lcd.setDecimalSeparator(5);
    lcd.setPictureMode(9);
    lcd.setBackAngle(std::numeric_limits<float>::quiet_NaN());
    lcd.setBackAngle(-1e30f);
    lcd.setValue("8.8");
    EXPECT_EQ(lcd.Value(), "8.8");
}

TEST(LCDisp, BackgroundOutlineAndPictures)
{
    LCDisp lcd;
    lcd.setBackColor1(0x0000FF);  // red
    lcd.setBackColor2(0xFF0000);  // blue
    lcd.setBackAngle(90);
    lcd.setBackMiddleOut(true);
    // Vertical middle-out gradient: red at top and bottom, blue in the middle.
    const QImage img = lcd.Surface();
    const int x = 3, h = img.height();
    EXPECT_GT(qRed(img.pixel(x, 1)), 200);
    EXPECT_GT(qBlue(img.pixel(x, h / 2)), 200);
    EXPECT_GT(qRed(img.pixel(x, h - 2)), 200);
    // The border ring.
    EXPECT_EQ(img.pixel(0, 0), QColor(0, 0, 255).rgb());

    lcd.setCurveTopLeft(10);
    EXPECT_FALSE(lcd.mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(lcd.mask().contains(QPoint(lcd.width() - 1, 0)));

    QImage pic(10, 10, QImage::Format_RGB32);
    pic.fill(Qt::green);
    lcd.setPictureMode(1);  // stretched from the border to the far edges
    lcd.setPicture(pic);
    EXPECT_EQ(lcd.Surface().pixel(lcd.width() - 1, lcd.height() - 1), QColor(0, 0, 255).rgb());  // border on top
    EXPECT_EQ(lcd.Surface().pixel(lcd.width() - 2, lcd.height() - 2), QColor(Qt::green).rgb());
    EXPECT_EQ(lcd.Surface().pixel(395, 3), QColor(Qt::green).rgb());

    // Tiled from the border corner.
    QImage tile(2, 1, QImage::Format_RGB32);
    tile.setPixel(0, 0, QColor(Qt::yellow).rgb());
    tile.setPixel(1, 0, QColor(Qt::darkGreen).rgb());
    lcd.setPictureMode(2);
    lcd.setPicture(tile);
    EXPECT_EQ(lcd.Surface().pixel(1, 2), QColor(Qt::yellow).rgb());
    EXPECT_EQ(lcd.Surface().pixel(2, 2), QColor(Qt::darkGreen).rgb());
    EXPECT_EQ(lcd.Surface().pixel(3, 2), QColor(Qt::yellow).rgb());
}

TEST(LCDisp, PicturesOfEveryTheme)
{
    for (int theme = 0; theme <= 5; ++theme) {
        LCDisp lcd;
        lcd.setTheme(theme);
        lcd.setShowThousandsSeparator(true);
        lcd.setValue("-1234.5E-3");
        const QString path = qltest::savePicture(&lcd, QStringLiteral("lcdisp-theme%1").arg(theme));
        QImage saved(path);
        ASSERT_FALSE(saved.isNull()) << path.toStdString();
        EXPECT_EQ(saved.size(), lcd.size());
    }
    LCDisp shaded;
    shaded.setTheme(1);
    shaded.setSegmentFillStyle(2);
    shaded.setCurveTopLeft(8);
    shaded.setCurveBottomRight(8);
    shaded.setValue("12:34E+56");
    qltest::savePicture(&shaded, QStringLiteral("lcdisp-3d"));
    LCDisp outline;
    outline.setTheme(0);
    outline.setSegmentFillStyle(0);
    outline.setBackColor2(0x404040);
    outline.setValue("8.8.8");
    qltest::savePicture(&outline, QStringLiteral("lcdisp-outline"));
}

TEST(LCDisp, ErasedSeparatorsGiveTheBorderBack)
{
    // The slanted separators reach into the bottom border; once they are
    // erased the border is whole again.
    auto lcd = makeReadout(4, 8);
    lcd->setShowThousandsSeparator(true);
    lcd->setValue("1234567");
    lcd->setValue("12");
    const QImage img = lcd->Surface();
    const QRgb border = QColor(0, 0, 255).rgb();
    for (int x = 0; x < img.width(); ++x)
        ASSERT_EQ(img.pixel(x, img.height() - 1), border) << x;
}
