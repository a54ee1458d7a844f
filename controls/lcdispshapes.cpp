// Shapes, colours and pictures of the seven-segment readout.
#include "controls/lcdispshapes.h"

#include "controls/lcdisp.h"
#include "platform/rounding.h"

#include <QGuiApplication>
#include <QPalette>
#include <QPolygon>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

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

namespace lcdisp {

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
    int a = RoundHalfEvenInt(90.0 - angle) % 360;
    if (a < 0)
        a += 360;
    const int q = a / 90, r = a % 90;
    const double ratio = (q % 2 == 0) ? double(w) / h : double(h) / w;
    const double t = std::atan(ratio) * 57.2957763671875;
    int len =
        RoundHalfEvenInt(std::sqrt(double(w) * w + double(h) * h) * std::sin((90.0 - std::fabs(r - t)) * 0.0174532924));
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
        const long long s = RoundHalfEvenInt(std::sin(r * deg) * 1000), k = RoundHalfEvenInt(std::cos(r * deg) * 1000);
        for (int j = 0; j < h; ++j) {  // row j counted from the bottom
            auto* line = reinterpret_cast<QRgb*>(img.scanLine(h - 1 - j));
            for (int x = 0; x < w; ++x)
                line[x] = at((s * x + k * j) / 1000);
        }
    } else {
        const long long s = RoundHalfEvenInt(std::sin((90 - r) * deg) * 1000),
                        k = RoundHalfEvenInt(std::cos((90 - r) * deg) * 1000);
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

} // namespace lcdisp
} // namespace ql
