// The seven-segment readout: properties, themes, persistence, and the
// background, outline and cell geometry built at each rebuild. Drawing the
// value is in lcdispvalue.cpp, shapes and pictures in lcdispshapes.cpp.
#include "controls/lcdisp.h"

#include "controls/devicepixels.h"
#include "controls/lcdispshapes.h"
#include "platform/twips.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace ql {

using namespace lcdisp;

namespace {

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
    return QSize(TwipsToPixels(6045), TwipsToPixels(465));
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
    resize(TwipsToPixels(t.widthTwips), TwipsToPixels(t.heightTwips));
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

// A row's cell size by segment style and the left edge of each cell.
void LCDisp::layOutRow(RowGeom& row, int style, int h, int w, int g, int y, int x0, int gap, int cells)
{
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
}

bool LCDisp::stale() const
{
    return !built_ || ratio_ != devicePixelRatio() ||
           surface_.size() != ToDevice(size().expandedTo(QSize(1, 1)), ratio_);
}

QPoint LCDisp::toDevice(const QPoint& p) const { return QPoint(ToDevice(p.x(), ratio_), ToDevice(p.y(), ratio_)); }

void LCDisp::rebuild()
{
    sanitize();
    ratio_ = devicePixelRatio();
    const auto dev = [this](int v) { return ToDevice(v, ratio_); };
    const QSize size = ToDevice(this->size().expandedTo(QSize(1, 1)), ratio_);
    const int sw = size.width(), sh = size.height();
    const int bw = p_.BorderWidth;
    sepFlags_.assign(size_t(p_.NumDigits), false);
    prevSepFlags_.assign(size_t(p_.NumDigits), false);

    // Background and shading pictures, in screen pixels.
    gradient_ = makeGradient(sw, sh, p_.BackColor1, p_.BackColor2, p_.BackAngle, p_.BackMiddleOut);
    auto shading = [&](ShapeSet& set, int h, int w) {
        h = dev(h);
        w = dev(w);
        const QImage hg = makeGradient(h, w + 1, p_.Seg3DColor1, p_.Seg3DColor2, 90, p_.Seg3DMiddleOut);
        const QImage vg = makeGradient(w + 1, h, p_.Seg3DColor1, p_.Seg3DColor2, 180, p_.Seg3DMiddleOut);
        set.hShade = hg.isNull() || w < 2 ? hg : hg.copy(0, 1, h, w - 1).scaled(h, w);
        set.vShade = vg.isNull() || w < 2 ? vg : vg.copy(1, 0, w - 1, h).scaled(w, h);
        return hg;
    };
    const QImage mantH = shading(mant_, p_.SegmentHeight, p_.SegmentWidth);
    shading(exp_, p_.SegmentHeightExp, p_.SegmentWidthExp);
    pointShade_ = mantH.isNull() ? QImage() : mantH.copy(0, 1, dev(p_.SegmentWidth), dev(p_.SegmentWidth));

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

    // Segment shapes of both rows, built at the screen's size of a segment
    // so that their slanted edges are drawn in its pixels.
    auto shapes = [&](ShapeSet& set, int h, int w, int y) {
        h = dev(h);
        w = dev(w);
        y = dev(y);
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

    layOutRow(rowMant_, p_.SegmentStyle, p_.SegmentHeight, p_.SegmentWidth, p_.InterSegmentGap, p_.YOffset,
              bw + p_.XOffset, p_.InterDigitGap, p_.NumDigits);
    layOutRow(rowExp_, p_.SegmentStyleExp, p_.SegmentHeightExp, p_.SegmentWidthExp, p_.InterSegmentGapExp,
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
    const int sw = std::max(width(), 1), sh = std::max(height(), 1), bw = p_.BorderWidth;
    QPainter p(&surface_);
    if (!p_.Picture.isNull() && p_.Picture.width() > 0 && p_.Picture.height() > 0) {
        surface_.fill(Qt::black);
        switch (p_.PictureMode) {
        case 0: p.drawImage(ToDevice(QRect(QPoint(0, 0), p_.Picture.size()), ratio_), p_.Picture); break;
        case 1: p.drawImage(ToDevice(QRect(bw, bw, sw - bw, sh - bw), ratio_), p_.Picture); break;
        case 2: {
            QBrush tile(p_.Picture);
            if (ratio_ != 1)
                tile.setTransform(QTransform::fromScale(ratio_, ratio_));
            p.setBrushOrigin(toDevice(QPoint(bw, bw)));
            p.fillRect(ToDevice(QRect(QPoint(bw, bw), QPoint(sw - bw - 1, sh - bw - 1)), ratio_), tile);
            break;
        }
        default:
            break;
        }
    } else if (!gradient_.isNull()) {
        const QRect inner = ToDevice(QRect(bw, bw, sw - 2 * bw, sh - 2 * bw), ratio_);
        p.drawImage(inner, gradient_, inner);
    }
}

void LCDisp::applyOutline()
{
    const int sw = std::max(width(), 1), sh = std::max(height(), 1), bw = p_.BorderWidth;
    const auto rounded = [this](int x1, int y1, int x2, int y2, qreal r) {
        const auto d = [r](int v) { return ToDevice(v, r); };
        return roundedRect(d(x1), d(y1), d(x2), d(y2), d(p_.CurveTopLeft), d(p_.CurveTopRight), d(p_.CurveBottomLeft),
                           d(p_.CurveBottomRight));
    };
    fillRegion(rounded(0, 0, sw, sh, ratio_) - rounded(bw, bw, sw - bw, sh - bw, ratio_), ColorFromRef(p_.BorderColor));
    if (p_.CurveTopLeft > 0 || p_.CurveTopRight > 0 || p_.CurveBottomLeft > 0 || p_.CurveBottomRight > 0)
        setMask(rounded(0, 0, sw, sh, 1));
    else
        clearMask();
}

void LCDisp::fullRedraw()
{
    if (stale()) {
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
    if (stale()) {
        rebuild();
        fullRedraw();
    }
}

void LCDisp::paintEvent(QPaintEvent* event)
{
    // Moved to a screen of another pixel ratio: drawn again for it.
    if (stale())
        fullRedraw();
    // The surface shown at the widget's size: its pixels are the screen's.
    QImage shown(surface_.constBits(), surface_.width(), surface_.height(), surface_.bytesPerLine(), surface_.format());
    shown.setDevicePixelRatio(ratio_);
    QPainter p(this);
    p.setClipRegion(event->region());
    p.drawImage(QPoint(0, 0), shown);
}

} // namespace ql
