#include "controls/lcdisp.h"

#include "platform/numfmt.h"

#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QPolygon>

#include <algorithm>
#include <cmath>
#include <limits>

namespace ql {

QColor ColorFromRef(uint32_t colorref)
{
    if ((colorref & 0xFF000000u) == 0x80000000u) {
        // System colours by their index.
        const QPalette pal = QGuiApplication::palette();
        switch (colorref & 0xFFu) {
        case 1: return pal.color(QPalette::Window);            // desktop
        case 4: return pal.color(QPalette::Window);            // menu
        case 5: return pal.color(QPalette::Base);              // window
        case 6: return pal.color(QPalette::Shadow);            // window frame
        case 7: return pal.color(QPalette::WindowText);        // menu text
        case 8: return pal.color(QPalette::Text);              // window text
        case 13: return pal.color(QPalette::Highlight);
        case 14: return pal.color(QPalette::HighlightedText);
        case 15: return pal.color(QPalette::Button);           // button face
        case 16: return pal.color(QPalette::Dark);             // button shadow
        case 17: return pal.color(QPalette::PlaceholderText);  // grey text
        case 18: return pal.color(QPalette::ButtonText);
        case 20: return pal.color(QPalette::Light);            // 3D highlight
        case 21: return pal.color(QPalette::Shadow);           // 3D dark shadow
        case 22: return pal.color(QPalette::Midlight);         // 3D light
        case 23: return pal.color(QPalette::ToolTipText);
        case 24: return pal.color(QPalette::ToolTipBase);
        default: return QColor(255, 255, 255);  // untranslatable: -1
        }
    }
    return QColor(int(colorref & 0xFF), int((colorref >> 8) & 0xFF), int((colorref >> 16) & 0xFF));
}

namespace {

// Lit ("1") and unlit ("0") segments a to g of each pattern.
const char* const kPatterns[18] = {
    "1111110", "0110000", "1101101", "1111001", "0110011", "1011011", "1011111", "1110000", "1111111",
    "1111011", "0000000", "0000001", "1110111", "0011111", "1001110", "0111101", "1001111", "1000111",
};

// Pattern index of a character, or -1 for none.
int charToPattern(QChar c, bool showBurnIn)
{
    if (c == u' ')
        return showBurnIn ? 10 : -1;
    if (c == u'-')
        return 11;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - 53;
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    return 0;  // any other character shows as 0
}

constexpr int kTwipsPerPixel = 15;
constexpr int kMaxSegmentSize = 1000;  // keeps the pictures of a cell sane

QRegion polygonRegion(std::initializer_list<QPoint> pts)
{
    return QRegion(QPolygon(QList<QPoint>(pts)), Qt::WindingFill);
}

// A region spanning (l, t) to (r, b), right and bottom edges excluded.
QRegion rectRegion(int l, int t, int r, int b)
{
    if (r <= l || b <= t)
        return QRegion();
    return QRegion(l, t, r - l, b - t);
}

QRegion ellipseRegion(int l, int t, int r, int b)
{
    if (r <= l || b <= t)
        return QRegion();
    return QRegion(l, t, r - l, b - t, QRegion::Ellipse);
}

// Segment hexagon of width a and height b, pointed at both ends.
QRegion hexagon(int a, int b)
{
    auto thick = [](int t) {
        if (t < 4)
            t = 4;
        if (t % 2)
            --t;
        return t;
    };
    if (b <= a) {
        const int t = thick(b), t2 = t / 2;
        return polygonRegion({{0, t2}, {t2, t}, {a - t2, t}, {a, t2}, {a, t2 - 1}, {a - t2 + 1, 0}, {t2 - 1, 0}, {0, t2 - 1}});
    }
    const int t = thick(a), t2 = t / 2;
    return polygonRegion({{t2, b}, {t, b - t2}, {t, t2 - 1}, {t2, -1}, {t2 - 1, 0}, {0, t2 - 1}, {0, b - t2}, {t2, b}});
}

// Segment trapezoid; the long edge is the outer side of the digit.
QRegion trapezoid(int a, int b, int slant)
{
    if (a > b) {
        const int t = a < 2 * b ? a / 2 : b;
        if (slant > 0)
            return polygonRegion({{0, 0}, {t, t}, {a - t, t}, {a, 0}, {0, 0}});
        return polygonRegion({{t - 1, 0}, {-1, t}, {a + 1, t}, {a + 1 - t, 0}, {t - 1, 0}});
    }
    const int t = b < 2 * a ? b / 2 : a;
    if (slant > 0)
        return polygonRegion({{0, -1}, {0, b}, {t, b - t}, {t, t - 1}, {0, -1}});
    return polygonRegion({{0, t - 1}, {0, b - t}, {t, b}, {t, -1}, {0, t - 1}});
}

QRegion separatorShape(int form, int h, int w, int y)
{
    if (form == 0)
        return polygonRegion({{h / 2, y - w}, {h / 2 + w, y - w}, {w, y - w + h}, {0, y - w + h}});
    return rectRegion(0, 0, w - 1, w - 1);
}

int roundHalfEven(double v)
{
    const double r = std::nearbyint(v);
    if (std::isnan(r))
        return 0;
    if (r > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (r < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return int(r);
}

// Two-colour gradient of w x h pixels at an angle in degrees; with middleOut
// the colours run c1, c2, c1. Built as a bottom-up pixel array over a
// precomputed colour ramp with fixed-point projection, returned top-down.
QImage makeGradient(int w, int h, uint32_t colour1, uint32_t colour2, double angle, bool middleOut)
{
    if (w < 1 || h < 1)
        return QImage();
    QRgb c1 = ColorFromRef(colour1).rgb() & 0xFFFFFF;
    QRgb c2 = ColorFromRef(colour2).rgb() & 0xFFFFFF;
    if (middleOut && angle >= 91 && angle <= 270)
        std::swap(c1, c2);
    int a = roundHalfEven(90.0 - angle) % 360;
    if (a < 0)
        a += 360;
    const int q = a / 90, r = a % 90;
    const double ratio = (q % 2 == 0) ? double(w) / h : double(h) / w;
    const double t = std::atan(ratio) * 57.2957763671875;
    int len = roundHalfEven(std::sqrt(double(w) * w + double(h) * h) * std::sin((90.0 - std::fabs(r - t)) * 0.0174532924));
    if (q > 1)
        std::swap(c1, c2);
    len = std::max(len, 1);

    std::vector<QRgb> ramp(static_cast<size_t>(len));
    auto channel = [](QRgb c, int shift) { return int((c >> shift) & 0xFF); };
    for (int i = 0; i < len; ++i) {
        QRgb px = 0;
        for (int shift : {16, 8, 0}) {
            const int a1 = channel(c1, shift), a2 = channel(c2, shift);
            const int v = len == 1 ? a1 / 2 + a2 / 2 : a1 + (a2 - a1) * i / (len - 1);
            px |= QRgb(v & 0xFF) << shift;
        }
        ramp[size_t(i)] = px;
    }
    if (middleOut) {
        std::vector<QRgb> folded;
        folded.reserve(size_t(len));
        for (int i = 0; i < len; i += 2)
            folded.push_back(ramp[size_t(i)]);
        for (int i = len - 2; i >= 1; i -= 2)
            folded.push_back(ramp[size_t(i)]);
        // An even ramp fills one entry short: it ends on the first colour.
        while (int(folded.size()) < len)
            folded.push_back(ramp[0]);
        folded.resize(size_t(len));
        ramp.swap(folded);
    }

    QImage img(w, h, QImage::Format_RGB32);
    if (img.isNull())
        return img;
    auto at = [&](long long idx) { return ramp[size_t(std::clamp<long long>(idx, 0, len - 1))] | 0xFF000000u; };
    const double deg = 3.14159265358979323846 / 180.0;
    if (q % 2 == 0) {
        const long long s = roundHalfEven(std::sin(r * deg) * 1000), k = roundHalfEven(std::cos(r * deg) * 1000);
        for (int j = 0; j < h; ++j) {  // row j counted from the bottom
            auto* line = reinterpret_cast<QRgb*>(img.scanLine(h - 1 - j));
            for (int x = 0; x < w; ++x)
                line[x] = at((s * x + k * j) / 1000);
        }
    } else {
        const long long s = roundHalfEven(std::sin((90 - r) * deg) * 1000), k = roundHalfEven(std::cos((90 - r) * deg) * 1000);
        for (int n = 0; n < h; ++n) {  // bottom-up row h - 1 - n is image row n
            auto* line = reinterpret_cast<QRgb*>(img.scanLine(n));
            for (int x = 0; x < w; ++x)
                line[x] = at((s * x + k * n) / 1000);
        }
    }
    return img;
}

// Rectangle (x1, y1)-(x2, y2) with each corner rounded by its own radius.
QRegion roundedRect(int x1, int y1, int x2, int y2, int tl, int tr, int bl, int br)
{
    QRegion rgn = rectRegion(x1, y1, x2, y2);
    if (tl > 0)
        rgn -= rectRegion(x1, y1, x1 + tl, y1 + tl) - ellipseRegion(x1, y1, x1 + 2 * tl, y1 + 2 * tl);
    if (tr > 0)
        rgn -= rectRegion(x2 - tr, y1, x2, y1 + tr) - ellipseRegion(x2 + 1 - 2 * tr, y1, x2 + 1, y1 + 2 * tr);
    if (bl > 0)
        rgn -= rectRegion(x1, y2 - bl, x1 + bl, y2) - ellipseRegion(x1, y2 + 1 - 2 * bl, x1 + 2 * bl, y2 + 1);
    if (br > 0)
        rgn -= rectRegion(x2 - br, y2 - br, x2, y2) - ellipseRegion(x2 + 1 - 2 * br, y2 + 1 - 2 * br, x2 + 1, y2 + 1);
    return rgn;
}

struct ThemePreset {
    uint32_t back, burn, lit;
    int style, h, w, g;
    int styleExp, hExp, wExp;
    int gap, gapExp, xOffsetExp;
    int widthTwips, heightTwips;
};

const ThemePreset kThemes[6] = {
    {0x000000, 0x000060, 0x0000FF, 0, 8, 4, 0, 2, 5, 3, 4, 2, 335, 5715, 450},
    {0x000000, 0x000060, 0x0000FF, 0, 12, 4, 1, 2, 8, 4, 6, 2, 490, 8355, 630},
    {0xE0E0E0, 0xD0D0D0, 0x000000, 1, 12, 4, 1, 2, 6, 3, 4, 2, 370, 6525, 570},
    {0xE0E0E0, 0xD0D0D0, 0x000000, 1, 14, 4, 1, 2, 8, 4, 6, 2, 455, 7875, 630},
    {0x000000, 0x505000, 0xFFFF00, 2, 8, 3, 0, 2, 6, 3, 6, 2, 355, 6045, 465},
    {0x000000, 0x005050, 0x00FFFF, 2, 4, 2, 0, 2, 4, 2, 4, 3, 195, 3525, 300},
};

int clampSize(int v) { return std::clamp(v, 0, kMaxSegmentSize); }

QString rightAligned(const QString& text, int cells)
{
    return (QString(cells, QLatin1Char(' ')) + text).right(cells);
}

const QChar kRedrawAll(0xFFFF);  // never equal to a shown character

} // namespace

LCDisp::LCDisp(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(sizeHint());
    rebuild();
    fullRedraw();
}

LCDisp::~LCDisp() = default;

QSize LCDisp::sizeHint() const
{
    return QSize(6045 / kTwipsPerPixel, 465 / kTwipsPerPixel);
}

// ---- properties --------------------------------------------------------

void LCDisp::changed(const char* name)
{
    emit propertyChanged(QString::fromLatin1(name));
}

#define LCD_SETTER(Name, Type, Store, After) \
    void LCDisp::set##Name(Type v)           \
    {                                        \
        p_.Name = Store;                     \
        changed(#Name);                      \
        After;                               \
    }

#define LCD_REBUILD_REDRAW \
    rebuild();             \
    fullRedraw()
#define LCD_REBUILD_VALUE \
    rebuild();            \
    drawValue(true)

LCD_SETTER(BackAngle, float, v, LCD_REBUILD_REDRAW)
LCD_SETTER(BackColor1, uint32_t, v, LCD_REBUILD_REDRAW)
LCD_SETTER(BackColor2, uint32_t, v, LCD_REBUILD_REDRAW)
LCD_SETTER(BackMiddleOut, bool, v, LCD_REBUILD_REDRAW)
LCD_SETTER(BorderColor, uint32_t, v, fullRedraw())
LCD_SETTER(BorderWidth, int, std::clamp(v, 0, 10000), fullRedraw())
LCD_SETTER(CurveBottomLeft, int, v, fullRedraw())
LCD_SETTER(CurveBottomRight, int, v, fullRedraw())
LCD_SETTER(CurveTopLeft, int, v, fullRedraw())
LCD_SETTER(CurveTopRight, int, v, fullRedraw())
LCD_SETTER(Seg3DColor1, uint32_t, v, LCD_REBUILD_REDRAW)
LCD_SETTER(Seg3DColor2, uint32_t, v, LCD_REBUILD_REDRAW)
LCD_SETTER(BurnInColor, uint32_t, v, LCD_REBUILD_VALUE)
LCD_SETTER(BurnInColorNeg, uint32_t, v, LCD_REBUILD_VALUE)
LCD_SETTER(DecimalSeparator, int, v, LCD_REBUILD_VALUE)
LCD_SETTER(InterDigitGap, int, v, LCD_REBUILD_VALUE)
LCD_SETTER(InterDigitGapExp, int, v, LCD_REBUILD_VALUE)
LCD_SETTER(InterSegmentGap, int, clampSize(v), LCD_REBUILD_VALUE)
LCD_SETTER(InterSegmentGapExp, int, clampSize(v), LCD_REBUILD_VALUE)
LCD_SETTER(NumDigits, int, std::clamp(v, 1, MaxDigits), LCD_REBUILD_VALUE)
LCD_SETTER(NumDigitsExp, int, std::clamp(v, 1, MaxDigitsExp), LCD_REBUILD_VALUE)
LCD_SETTER(PictureMode, int, v, LCD_REBUILD_VALUE)
LCD_SETTER(SegmentFillStyle, int, v, LCD_REBUILD_VALUE)
LCD_SETTER(SegmentHeight, int, clampSize(v), LCD_REBUILD_VALUE)
LCD_SETTER(SegmentHeightExp, int, clampSize(v), LCD_REBUILD_VALUE)
LCD_SETTER(SegmentLitColor, uint32_t, v, LCD_REBUILD_VALUE)
LCD_SETTER(SegmentLitColorNeg, uint32_t, v, LCD_REBUILD_VALUE)
LCD_SETTER(SegmentStyle, int, v, LCD_REBUILD_VALUE)
LCD_SETTER(SegmentStyleExp, int, v, LCD_REBUILD_VALUE)
LCD_SETTER(SegmentWidth, int, clampSize(v), LCD_REBUILD_VALUE)
LCD_SETTER(SegmentWidthExp, int, clampSize(v), LCD_REBUILD_VALUE)
LCD_SETTER(ShowBurnIn, bool, v, LCD_REBUILD_VALUE)
LCD_SETTER(ShowExponent, bool, v, LCD_REBUILD_VALUE)
LCD_SETTER(ShowThousandsSeparator, bool, v, LCD_REBUILD_VALUE)
LCD_SETTER(XOffset, int, v, LCD_REBUILD_VALUE)
LCD_SETTER(XOffsetExp, int, v, LCD_REBUILD_VALUE)
LCD_SETTER(YOffset, int, v, LCD_REBUILD_VALUE)
LCD_SETTER(YOffsetExp, int, v, LCD_REBUILD_VALUE)
// The separator form moves the separators at once; their shape follows at
// the next rebuild.
LCD_SETTER(ThousandsGrouping, int, std::max(v, 1), drawValue(true))
LCD_SETTER(ThousandsSeparator, int, v, drawValue(true))
// Stored only: the shading uses fixed angles, and a changed middle-out
// setting takes effect at the next rebuild.
LCD_SETTER(Seg3DAngle, float, v, (void)0)
LCD_SETTER(Seg3DMiddleOut, bool, v, (void)0)

#undef LCD_SETTER
#undef LCD_REBUILD_REDRAW
#undef LCD_REBUILD_VALUE

void LCDisp::setPicture(const QImage& v)
{
    p_.Picture = v;
    changed("Picture");
    rebuild();
    drawValue(true);
}

void LCDisp::setTheme(int v)
{
    p_.Theme = v;
    changed("Theme");
    applyTheme(v);
    rebuild();
    fullRedraw();
}

void LCDisp::setValue(const QString& v)
{
    p_.Value = v;
    drawValue(false);
    changed("Value");
}

void LCDisp::applyTheme(int theme)
{
    if (theme < 0 || theme > 5)
        return;
    const ThemePreset& t = kThemes[theme];
    p_.BackAngle = 90;
    p_.BackMiddleOut = true;
    p_.BorderColor = 0xFF0000;
    p_.BorderWidth = 1;
    p_.CurveBottomLeft = p_.CurveBottomRight = p_.CurveTopLeft = p_.CurveTopRight = 0;
    p_.DecimalSeparator = 1;
    p_.InterSegmentGapExp = 0;
    p_.NumDigits = 20;
    p_.NumDigitsExp = 4;
    p_.Picture = QImage();
    p_.PictureMode = 0;
    p_.SegmentFillStyle = 1;
    p_.SegmentStyleExp = 2;
    p_.ShowBurnIn = true;
    p_.ShowExponent = true;
    p_.ShowThousandsSeparator = false;
    p_.ThousandsGrouping = 3;
    p_.ThousandsSeparator = 0;
    p_.XOffset = 5;
    p_.YOffset = 5;
    p_.YOffsetExp = 5;
    p_.BackColor1 = p_.BackColor2 = t.back;
    p_.BurnInColor = p_.BurnInColorNeg = t.burn;
    p_.SegmentLitColor = p_.SegmentLitColorNeg = t.lit;
    p_.SegmentStyle = t.style;
    p_.SegmentHeight = t.h;
    p_.SegmentWidth = t.w;
    p_.InterSegmentGap = t.g;
    p_.SegmentStyleExp = t.styleExp;
    p_.SegmentHeightExp = t.hExp;
    p_.SegmentWidthExp = t.wExp;
    p_.InterDigitGap = t.gap;
    p_.InterDigitGapExp = t.gapExp;
    p_.XOffsetExp = t.xOffsetExp;
    resize(t.widthTwips / kTwipsPerPixel, t.heightTwips / kTwipsPerPixel);
}

void LCDisp::sanitize()
{
    p_.NumDigits = std::clamp(p_.NumDigits, 1, MaxDigits);
    p_.NumDigitsExp = std::clamp(p_.NumDigitsExp, 1, MaxDigitsExp);
    p_.ThousandsGrouping = std::max(p_.ThousandsGrouping, 1);
    p_.BorderWidth = std::clamp(p_.BorderWidth, 0, 10000);
    for (int* v : {&p_.SegmentHeight, &p_.SegmentWidth, &p_.InterSegmentGap, &p_.SegmentHeightExp, &p_.SegmentWidthExp,
                   &p_.InterSegmentGapExp})
        *v = clampSize(*v);
}

// ---- persistence -------------------------------------------------------

namespace {

// Every persisted property but Picture: name, kind.
enum class Kind { Int, Float, Colour, Bool, Text };

#define LCD_PROPS(X)                                                                                            \
    X(BackAngle, Float) X(BackColor1, Colour) X(BackColor2, Colour) X(BackMiddleOut, Bool)                       \
    X(BorderColor, Colour) X(BorderWidth, Int) X(BurnInColor, Colour) X(BurnInColorNeg, Colour)                  \
    X(CurveBottomLeft, Int) X(CurveBottomRight, Int) X(CurveTopLeft, Int) X(CurveTopRight, Int)                  \
    X(DecimalSeparator, Int) X(InterDigitGap, Int) X(InterDigitGapExp, Int) X(InterSegmentGap, Int)              \
    X(InterSegmentGapExp, Int) X(NumDigits, Int) X(NumDigitsExp, Int) X(PictureMode, Int) X(Seg3DAngle, Float)   \
    X(Seg3DColor1, Colour) X(Seg3DColor2, Colour) X(Seg3DMiddleOut, Bool) X(SegmentFillStyle, Int)               \
    X(SegmentHeight, Int) X(SegmentHeightExp, Int) X(SegmentLitColor, Colour) X(SegmentLitColorNeg, Colour)      \
    X(SegmentStyle, Int) X(SegmentStyleExp, Int) X(SegmentWidth, Int) X(SegmentWidthExp, Int)                    \
    X(ShowBurnIn, Bool) X(ShowExponent, Bool) X(ShowThousandsSeparator, Bool) X(Theme, Int)                      \
    X(ThousandsGrouping, Int) X(ThousandsSeparator, Int) X(Value, Text) X(XOffset, Int) X(XOffsetExp, Int)       \
    X(YOffset, Int) X(YOffsetExp, Int)

QVariant toBag(int v) { return v; }
QVariant toBag(float v) { return double(v); }
QVariant toBag(uint32_t v) { return int(int32_t(v)); }  // a signed 32-bit colour, as stored by the designer
QVariant toBag(bool v) { return v ? -1 : 0; }
QVariant toBag(const QString& v) { return v; }

void fromBag(const QVariant& v, int& out)
{
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (ok && std::isfinite(d))
        out = int(std::clamp(std::round(d), double(std::numeric_limits<int>::min()), double(std::numeric_limits<int>::max())));
}
void fromBag(const QVariant& v, float& out)
{
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (ok && std::isfinite(d))
        out = float(d);
}
void fromBag(const QVariant& v, uint32_t& out)
{
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    if (ok)
        out = uint32_t(n & 0xFFFFFFFF);
}
void fromBag(const QVariant& v, bool& out)
{
    if (v.typeId() == QMetaType::Bool) {
        out = v.toBool();
        return;
    }
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (ok)
        out = d != 0;
    else if (v.typeId() == QMetaType::QString)
        out = v.toString().compare(QLatin1String("True"), Qt::CaseInsensitive) == 0;
}
void fromBag(const QVariant& v, QString& out) { out = v.toString(); }

} // namespace

void LCDisp::WriteProperties(QVariantMap& bag) const
{
#define LCD_WRITE(Name, K) bag.insert(QStringLiteral(#Name), toBag(p_.Name));
    LCD_PROPS(LCD_WRITE)
#undef LCD_WRITE
    bag.insert(QStringLiteral("Picture"), p_.Picture);
}

void LCDisp::ReadProperties(const QVariantMap& bag)
{
    const LCDispProps defaults;
    p_ = defaults;
    const QVariant pic = bag.value(QStringLiteral("Picture"));
    if (pic.canConvert<QImage>() && pic.typeId() == QMetaType::QImage)
        p_.Picture = pic.value<QImage>();
    else if (pic.typeId() == QMetaType::QByteArray)
        p_.Picture = QImage::fromData(pic.toByteArray());
#define LCD_READ(Name, K)                                       \
    if (auto it = bag.constFind(QStringLiteral(#Name)); it != bag.constEnd()) \
        fromBag(*it, p_.Name);
    LCD_PROPS(LCD_READ)
#undef LCD_READ
    if (p_.SegmentStyle == 0 || p_.SegmentStyle == 1) {
        if (p_.SegmentWidth % 2)
            ++p_.SegmentWidth;
        if (p_.SegmentHeight % 2)
            ++p_.SegmentHeight;
    }
    sanitize();
    negative_ = false;
    prevMant_.clear();
    prevExp_.clear();
    rebuild();
    fullRedraw();
}

#undef LCD_PROPS

// ---- geometry and resources --------------------------------------------

QSize LCDisp::CellSize(bool exponent) const
{
    const RowGeom& row = exponent ? rowExp_ : rowMant_;
    return QSize(row.cellW, row.cellH);
}

QRect LCDisp::CellRect(int cell, bool exponent) const
{
    const RowGeom& row = exponent ? rowExp_ : rowMant_;
    if (cell < 0 || cell >= int(row.x.size()))
        return QRect();
    return QRect(row.x[size_t(cell)], row.y, row.cellW, row.cellH);
}

void LCDisp::rebuild()
{
    sanitize();
    const int sw = std::max(width(), 1), sh = std::max(height(), 1);
    const int bw = p_.BorderWidth;
    sepFlags_.assign(size_t(p_.NumDigits), false);
    prevSepFlags_.assign(size_t(p_.NumDigits), false);

    // Background and shading pictures.
    gradient_ = makeGradient(sw, sh, p_.BackColor1, p_.BackColor2, p_.BackAngle, p_.BackMiddleOut);
    auto shading = [&](ShapeSet& set, int h, int w) {
        const QImage hg = makeGradient(h, w + 1, p_.Seg3DColor1, p_.Seg3DColor2, 90, p_.Seg3DMiddleOut);
        const QImage vg = makeGradient(w + 1, h, p_.Seg3DColor1, p_.Seg3DColor2, 180, p_.Seg3DMiddleOut);
        set.hShade = hg.isNull() || w < 2 ? hg : hg.copy(0, 1, h, w - 1).scaled(h, w);
        set.vShade = vg.isNull() || w < 2 ? vg : vg.copy(1, 0, w - 1, h).scaled(w, h);
        return hg;
    };
    const QImage mantH = shading(mant_, p_.SegmentHeight, p_.SegmentWidth);
    shading(exp_, p_.SegmentHeightExp, p_.SegmentWidthExp);
    pointShade_ = mantH.isNull() ? QImage() : mantH.copy(0, 1, p_.SegmentWidth, p_.SegmentWidth);

    // The background a cell restores from holds the border too, so that
    // erasing a mark that reaches into the border gives the border back.
    surface_ = QImage(sw, sh, QImage::Format_RGB32);
    surface_.fill(Qt::black);
    if (!p_.Picture.isNull() && p_.Picture.width() > 0 && p_.Picture.height() > 0)
        paintBackground();
    else if (!gradient_.isNull())
        surface_ = gradient_.copy();
    applyOutline();
    background_ = surface_.copy();

    // Segment shapes of both rows.
    auto shapes = [&](ShapeSet& set, int h, int w, int y) {
        set.shape[6] = rectRegion(0, 0, w - 1, h - 1);
        set.shape[7] = rectRegion(0, 0, h - 1, w - 1);
        set.shape[0] = hexagon(w, h);
        set.shape[1] = hexagon(h, w);
        set.shape[2] = trapezoid(h, w, +1);
        set.shape[3] = trapezoid(w, h, -1);
        set.shape[4] = trapezoid(h, w, -1);
        set.shape[5] = trapezoid(w, h, +1);
        set.shape[8] = separatorShape(p_.DecimalSeparator == 0 ? 0 : 1, h, w, y);
        set.shape[9] = separatorShape(p_.ThousandsSeparator == 0 ? 0 : 1, h, w, y);
    };
    shapes(mant_, p_.SegmentHeight, p_.SegmentWidth, p_.YOffset);
    shapes(exp_, p_.SegmentHeightExp, p_.SegmentWidthExp, p_.YOffsetExp);

    lit_ = ColorFromRef(p_.SegmentLitColor);
    burn_ = ColorFromRef(p_.BurnInColor);
    litNeg_ = ColorFromRef(p_.SegmentLitColorNeg);
    burnNeg_ = ColorFromRef(p_.BurnInColorNeg);
    litBrush_ = negative_ ? litNeg_ : lit_;
    burnBrush_ = negative_ ? burnNeg_ : burn_;

    auto geometry = [&](RowGeom& row, int style, int h, int w, int g, int y, int x0, int gap, int cells) {
        row.h = h;
        row.w = w;
        row.g = g;
        row.y = y;
        row.style = style;
        switch (style) {
        case 0: row.cellW = h + w + 2 * g; row.cellH = 2 * h + w + 4 * g; break;
        case 1: row.cellW = h + 2 * g; row.cellH = 2 * h + 4 * g; break;
        default: row.cellW = h + 2 * w + 2 * g - 3; row.cellH = 2 * h + 3 * w + 4 * g - 4; break;
        }
        row.x.resize(size_t(cells));
        int x = x0;
        for (int i = 0; i < cells; ++i) {
            row.x[size_t(i)] = x;
            x += row.cellW + gap;
        }
    };
    geometry(rowMant_, p_.SegmentStyle, p_.SegmentHeight, p_.SegmentWidth, p_.InterSegmentGap, p_.YOffset,
             bw + p_.XOffset, p_.InterDigitGap, p_.NumDigits);
    geometry(rowExp_, p_.SegmentStyleExp, p_.SegmentHeightExp, p_.SegmentWidthExp, p_.InterSegmentGapExp,
             p_.YOffsetExp, bw + p_.XOffsetExp, p_.InterDigitGapExp, p_.NumDigitsExp);

    // The surface was repainted from scratch: no point, colon or cell is on it.
    pointAt_ = QPoint(-1, 0);
    colonAt_ = {QPoint(-1, 0), QPoint(-1, 0)};
    prevMant_.clear();
    prevExp_.clear();
    built_ = true;
    update();
}

void LCDisp::paintBackground()
{
    const int sw = surface_.width(), sh = surface_.height(), bw = p_.BorderWidth;
    QPainter p(&surface_);
    if (!p_.Picture.isNull() && p_.Picture.width() > 0 && p_.Picture.height() > 0) {
        surface_.fill(Qt::black);
        switch (p_.PictureMode) {
        case 0:
            p.drawImage(0, 0, p_.Picture);
            break;
        case 1:
            p.drawImage(QRect(bw, bw, sw - bw, sh - bw), p_.Picture);
            break;
        case 2: {
            QBrush tile(p_.Picture);
            p.setBrushOrigin(bw, bw);
            p.fillRect(QRect(QPoint(bw, bw), QPoint(sw - bw - 1, sh - bw - 1)), tile);
            break;
        }
        default:
            break;
        }
    } else if (!gradient_.isNull()) {
        const QRect inner(bw, bw, sw - 2 * bw, sh - 2 * bw);
        p.drawImage(inner, gradient_, inner);
    }
}

void LCDisp::applyOutline()
{
    const int sw = surface_.width(), sh = surface_.height(), bw = p_.BorderWidth;
    const QRegion outer = roundedRect(0, 0, sw, sh, p_.CurveTopLeft, p_.CurveTopRight, p_.CurveBottomLeft, p_.CurveBottomRight);
    const QRegion inner = roundedRect(bw, bw, sw - bw, sh - bw, p_.CurveTopLeft, p_.CurveTopRight, p_.CurveBottomLeft,
                                      p_.CurveBottomRight);
    fillRegion(outer - inner, ColorFromRef(p_.BorderColor));
    if (p_.CurveTopLeft > 0 || p_.CurveTopRight > 0 || p_.CurveBottomLeft > 0 || p_.CurveBottomRight > 0)
        setMask(outer);
    else
        clearMask();
}

void LCDisp::fullRedraw()
{
    if (surface_.size() != size().expandedTo(QSize(1, 1))) {
        rebuild();
    } else {
        paintBackground();
        applyOutline();
        background_ = surface_.copy();
    }
    drawValue(true);
    update();
}

void LCDisp::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Everything sized by the control is rebuilt, so cells restore from a
    // background of the new size.
    if (surface_.size() != size()) {
        rebuild();
        fullRedraw();
    }
}

void LCDisp::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    for (const QRect& r : event->region())
        p.drawImage(r, surface_, r);
}

// ---- painting primitives -----------------------------------------------

void LCDisp::fillRegion(const QRegion& r, const QColor& c)
{
    if (r.isEmpty())
        return;
    QPainter p(&surface_);
    for (const QRect& rect : r)
        p.fillRect(rect, c);
}

void LCDisp::frameRegion(const QRegion& r, const QColor& c)
{
    const QRegion inner = r & r.translated(1, 0) & r.translated(-1, 0) & r.translated(0, 1) & r.translated(0, -1);
    fillRegion(r - inner, c);
}

void LCDisp::restoreBackground(const QRegion& r)
{
    if (r.isEmpty())
        return;
    QPainter p(&surface_);
    for (const QRect& rect : r)
        p.drawImage(rect, background_, rect);
}

void LCDisp::restoreBackground(const QRect& r)
{
    restoreBackground(QRegion(r));
}

void LCDisp::dirty(const QRect& r)
{
    pendingUpdate_ += r;
}

void LCDisp::paintSegment(const ShapeSet& set, int shape, int x, int y, bool lit)
{
    const QRegion rgn = set.shape[size_t(shape)].translated(x, y);
    if (!lit) {
        if (!p_.ShowBurnIn)
            return;
        if (p_.SegmentFillStyle == 0)
            frameRegion(rgn, burnBrush_);
        else if (p_.SegmentFillStyle == 1)
            fillRegion(rgn, burnBrush_);
        return;
    }
    if (p_.SegmentFillStyle == 0) {
        frameRegion(rgn, litBrush_);
    } else if (p_.SegmentFillStyle == 1) {
        fillRegion(rgn, litBrush_);
    } else if (p_.SegmentFillStyle == 2) {
        const QImage* shade = nullptr;
        switch (shape) {
        case 0: case 3: case 5: case 6: shade = &set.vShade; break;
        case 1: case 2: case 4: case 7: shade = &set.hShade; break;
        case 8: shade = &pointShade_; break;
        default: fillRegion(rgn, litBrush_); return;
        }
        if (shade->isNull() || rgn.isEmpty())
            return;
        QPainter p(&surface_);
        p.setClipRegion(rgn);
        p.drawImage(x, y, *shade);
    }
}

QPoint LCDisp::pointPos(int k, int form) const
{
    const RowGeom& r = rowMant_;
    const int xk = r.x[size_t(k)];
    if (form == 0)
        return QPoint(xk + r.cellW - r.w, p_.YOffset + r.cellH - r.w - 1);
    return QPoint(xk + r.cellW + p_.InterDigitGap / 2 - r.w / 2, p_.YOffset + r.cellH - r.w + 1 - (r.style == 2 ? 1 : 0));
}

std::array<QPoint, 2> LCDisp::colonPos(int k) const
{
    const RowGeom& r = rowMant_;
    const int x = r.x[size_t(k)] + r.cellW + p_.InterDigitGap / 2 - r.w / 2 + 1;
    const int upper = r.h / 2 + p_.YOffset + r.w / 2;
    return {QPoint(x, upper), QPoint(x, upper + r.h)};
}

// ---- value layout ------------------------------------------------------

void LCDisp::drawValue(bool force)
{
    if (!built_ || surface_.size() != size().expandedTo(QSize(1, 1))) {
        rebuild();
        force = true;
    }
    QString text = p_.Value.toUpper();
    if (text.startsWith(QLatin1Char('.')))
        text.prepend(QLatin1Char('0'));
    p_.Value = text;

    const bool negative = Val(text) < 0;
    if (negative != negative_) {
        prevMant_ = QString(p_.NumDigits, kRedrawAll);
        prevExp_ = QString(p_.NumDigitsExp, kRedrawAll);
        negative_ = negative;
    }
    litBrush_ = negative_ ? litNeg_ : lit_;
    burnBrush_ = negative_ ? burnNeg_ : burn_;

    // Split off the exponent.
    QString mant = text, expo = QString(p_.NumDigitsExp, QLatin1Char(' '));
    int pos = text.indexOf(QLatin1String("E+"));
    if (pos < 0)
        pos = text.indexOf(QLatin1String("E-"));
    if (pos >= 0) {
        mant = text.left(pos);
        const QChar sign = text.at(pos + 1);
        const int keep = text.contains(QLatin1Char(':')) ? p_.NumDigitsExp : p_.NumDigitsExp - 1;
        const QString digits = (QString(keep, QLatin1Char('0')) + text.mid(pos + 2)).right(keep);
        expo = (sign == u'-' ? QStringLiteral("-") : QStringLiteral(" ")) + digits;
    }

    pendingUpdate_ = QRegion();
    drawMantissa(mant, force);
    if (p_.ShowExponent)
        drawExponent(expo, force);
    lastUpdate_ = pendingUpdate_;
    if (!pendingUpdate_.isEmpty())
        update(pendingUpdate_);
}

void LCDisp::drawMantissa(QString text, bool force)
{
    drawingExp_ = false;
    const int n = p_.NumDigits;
    const int w = rowMant_.w;
    const bool repaintMarks = force || prevMant_.isEmpty() || prevMant_.at(0) == kRedrawAll;

    if (p_.ShowThousandsSeparator) {
        // Flags: a separator after every G-th digit left of the point.
        const int g = std::max(p_.ThousandsGrouping, 1);
        std::fill(sepFlags_.begin(), sepFlags_.end(), false);
        QString t = text;
        if (!t.contains(QLatin1Char('.')))
            t += QLatin1Char('.');
        const QString padded = (QString(n, QLatin1Char('0')) + t).right(n);
        const int dp = padded.indexOf(QLatin1Char('.')) + 1;
        int first = n - int(t.size()) + 1;
        if (first >= 1 && t.startsWith(QLatin1Char('-')))
            ++first;
        // A text longer than the row loses its leftmost characters, sign
        // included: flags start at the first shown cell.
        first = std::max(first, 1);
        if (dp > 0)
            for (int i = dp - (g + 1); i >= first; i -= g)
                if (i < n)
                    sepFlags_[size_t(i)] = true;

        const int form = p_.ThousandsSeparator == 0 ? 0 : 1;
        for (int i = 0; i < n; ++i) {
            const QPoint at = pointPos(i, form);
            const QRegion shape = mant_.shape[9].translated(at);
            const bool changed = repaintMarks || sepFlags_[size_t(i)] != prevSepFlags_[size_t(i)];
            if (sepFlags_[size_t(i)]) {
                paintSegment(mant_, 9, at.x(), at.y(), true);
            } else if (form == 0) {
                restoreBackground(shape);
            } else {
                restoreBackground(QRect(at, QSize(w, w)));
            }
            if (changed)
                dirty(shape.boundingRect() | QRect(at, QSize(w, w)));
        }
        prevSepFlags_ = sepFlags_;
    }

    // Decimal point: a "." or, in a text without one, a ",".
    const int pointForm = p_.DecimalSeparator == 0 ? 0 : 1;
    const QPoint oldPoint = pointAt_;
    if (pointAt_.x() >= 0) {
        if (pointForm == 0)
            restoreBackground(mant_.shape[8].translated(pointAt_));
        else
            restoreBackground(QRect(pointAt_, QSize(w, w)));
    }
    pointAt_ = QPoint(-1, 0);
    int p = text.indexOf(QLatin1Char('.'));
    if (p < 0)
        p = text.indexOf(QLatin1Char(','));
    if (p >= 0) {
        const int k = n - int(text.size()) + p;
        if (k >= 0 && k < n) {  // a point left of the row is not shown
            pointAt_ = pointPos(k, pointForm);
            paintSegment(mant_, 8, pointAt_.x(), pointAt_.y(), true);
        }
        text.remove(p, 1);
    }
    if (pointAt_ != oldPoint || repaintMarks) {
        for (const QPoint& at : {oldPoint, pointAt_})
            if (at.x() >= 0)
                dirty(mant_.shape[8].translated(at).boundingRect() | QRect(at, QSize(w, w)));
    }

    // Colon.
    const auto oldColon = colonAt_;
    for (const QPoint& at : colonAt_)
        if (at.x() >= 0)
            restoreBackground(QRect(at, QSize(w, w)));
    colonAt_ = {QPoint(-1, 0), QPoint(-1, 0)};
    p = text.indexOf(QLatin1Char(':'));
    if (p >= 0) {
        const int k = n - int(text.size()) + p;
        if (k >= 0 && k < n) {
            colonAt_ = colonPos(k);
            for (const QPoint& at : colonAt_)
                paintSegment(mant_, 8, at.x(), at.y(), true);
        }
        text.remove(p, 1);
    }
    if (colonAt_ != oldColon || repaintMarks) {
        for (const auto& pair : {oldColon, colonAt_})
            for (const QPoint& at : pair)
                if (at.x() >= 0)
                    dirty(mant_.shape[8].translated(at).boundingRect() | QRect(at, QSize(w, w)));
    }

    text = rightAligned(text, n);
    bool anyCell = false;
    for (int i = 0; i < n; ++i) {
        if (force || i >= prevMant_.size() || text.at(i) != prevMant_.at(i)) {
            renderCell(text.at(i), false, i);
            anyCell = true;
        }
    }
    // A re-rendered cell restores its whole area; marks that reach into it
    // are painted again on top.
    if (anyCell) {
        if (pointAt_.x() >= 0)
            paintSegment(mant_, 8, pointAt_.x(), pointAt_.y(), true);
        for (const QPoint& at : colonAt_)
            if (at.x() >= 0)
                paintSegment(mant_, 8, at.x(), at.y(), true);
        if (p_.ShowThousandsSeparator) {
            const int form = p_.ThousandsSeparator == 0 ? 0 : 1;
            for (int i = 0; i < n; ++i)
                if (sepFlags_[size_t(i)]) {
                    const QPoint at = pointPos(i, form);
                    paintSegment(mant_, 9, at.x(), at.y(), true);
                }
        }
    }
    prevMant_ = text;
}

void LCDisp::drawExponent(QString text, bool force)
{
    drawingExp_ = true;
    const int n = p_.NumDigitsExp;
    text = rightAligned(text, n);
    for (int i = 0; i < n; ++i)
        if (force || i >= prevExp_.size() || text.at(i) != prevExp_.at(i))
            renderCell(text.at(i), true, i);
    prevExp_ = text;
    drawingExp_ = false;
}

void LCDisp::renderCell(QChar c, bool exponent, int cell)
{
    const RowGeom& row = exponent ? rowExp_ : rowMant_;
    const ShapeSet& set = exponent ? exp_ : mant_;
    if (row.style < 0 || row.style > 2 || cell < 0 || cell >= int(row.x.size()))
        return;
    const int x = row.x[size_t(cell)], y = row.y;
    const int h = row.h, w = row.w, g = row.g, hw = w / 2;
    const int bw = p_.BorderWidth;

    QRect area = row.style == 0 ? QRect(x, bw, row.cellW, surface_.height() - 2 * bw) : QRect(x, y, row.cellW, row.cellH);
    restoreBackground(area);
    paintLog_.append({exponent, cell, QRect(x, y, row.cellW, row.cellH)});
    dirty(area);

    const int idx = charToPattern(c, p_.ShowBurnIn);
    if (idx < 0)
        return;
    const char* pat = kPatterns[idx];
    struct Place {
        int shape, x, y;
    };
    Place places[7];
    switch (row.style) {
    case 0:
        places[0] = {1, x + hw + g, y};
        places[1] = {0, x + h + 2 * g, y + hw + g};
        places[2] = {0, x + h + 2 * g, y + h + hw + 3 * g};
        places[3] = {1, x + hw + g, y + 2 * h + 4 * g};
        places[4] = {0, x, y + h + hw + 3 * g};
        places[5] = {0, x, y + hw + g};
        places[6] = {1, x + hw + g, y + h + 2 * g};
        break;
    case 1:
        places[0] = {2, x + g, y};
        places[1] = {3, x + h + 2 * g - w, y + g};
        places[2] = {3, x + h + 2 * g - w, y + h + 3 * g};
        places[3] = {4, x + g, y + 2 * h + 4 * g - w};
        places[4] = {5, x, y + h + 3 * g};
        places[5] = {5, x, y + g};
        places[6] = {1, x + g, y + h + 2 * g - hw};
        break;
    default:
        places[0] = {7, x + w + g - 1, y};
        places[1] = {6, x + w + h + 2 * g - 2, y + w + g - 1};
        places[2] = {6, x + w + h + 2 * g - 2, y + h + 2 * w + 3 * g - 3};
        places[3] = {7, x + w + g - 1, y + 2 * h + 2 * w + 4 * g - 4};
        places[4] = {6, x, y + h + 2 * w + 3 * g - 3};
        places[5] = {6, x, y + w + g - 1};
        places[6] = {7, x + w + g - 1, y + h + w + 2 * g - 2};
        break;
    }
    for (int s = 0; s < 7; ++s)
        paintSegment(set, places[s].shape, places[s].x, places[s].y, pat[s] == '1');
}

} // namespace ql
