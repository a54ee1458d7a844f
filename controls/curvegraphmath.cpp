#include "controls/curvegraphmath.h"

#include "platform/rounding.h"

#include <QPen>

#include <climits>
#include <cmath>

namespace ql::curvegraph {

std::optional<int> ToInt(double v)
{
    if (!std::isfinite(v))
        return std::nullopt;
    const double r = RoundHalfEven(v);
    if (r < double(INT_MIN) || r > double(INT_MAX))
        return std::nullopt;
    return int(r);
}

int DecimationStep(int64_t count, int width)
{
    if (width <= 0)
        return 1;
    const double s = RoundHalfEven(double(count) / (double(width) * 4.0) + 1.0);
    return s < 1 ? 1 : s > double(INT_MAX) ? INT_MAX : int(s);
}

static QString twoDigits(int64_t v)
{
    // VB's "00": at least two digits, sign in front.
    QString t = QString::number(v < 0 ? -v : v).rightJustified(2, QLatin1Char('0'));
    return v < 0 ? QLatin1Char('-') + t : t;
}

QString XLabelText(int64_t v, int xBarType)
{
    if (xBarType != 0)
        return QString::number(v);
    const int64_t h = v / 3600;
    const int64_t mi = (v % 3600) / 60;
    const int64_t s = v % 60;
    return twoDigits(h) + QLatin1Char(':') + twoDigits(mi) + QLatin1Char(':') + twoDigits(s);
}

std::optional<int> XLabelValue(double minX, double maxX, int k)
{
    return ToInt((maxX - minX) / 10.0 * k + minX);
}

QString YLabelText(double minY, double maxY, int k, int decimals)
{
    const double v = (maxY - minY) / 10.0 * k + minY;
    return QString::number(v, 'f', decimals);
}

static QString formatSmallOrLarge(double v)
{
    // "0.000" below 10, "00.00" from 10 on.
    if (v < 10)
        return QString::number(v, 'f', 3);
    return QString::number(v, 'f', 2).rightJustified(5, QLatin1Char('0'));
}

QString ReadoutText(double volt, double amp, double ah, double wh)
{
    QString t = QString::number(volt, 'f', 3);
    t += volt < 10 ? QStringLiteral("V   ") : QStringLiteral("V  ");
    t += formatSmallOrLarge(amp) + QLatin1Char('A');
    t += QChar(13);
    t += formatSmallOrLarge(ah) + QStringLiteral("Ah ");
    t += formatSmallOrLarge(wh) + QStringLiteral("Wh");
    return t;
}

QColor ToQColor(uint32_t colorRef)
{
    int r, g, b;
    SplitRGB(colorRef, r, g, b);
    return QColor(r, g, b);
}

void SplitRGB(uint32_t colorRef, int& red, int& green, int& blue)
{
    const uint32_t c = uint32_t(colorRef);
    red = int(c & 0xFF);
    green = int((c >> 8) & 0xFF);
    blue = int((c >> 16) & 0xFF);
}

uint32_t InvertColor(uint32_t colorRef)
{
    int r, g, b;
    SplitRGB(colorRef, r, g, b);
    return uint32_t((255 - r) | ((255 - g) << 8) | ((255 - b) << 16));
}

void ApplyPenStyle(QPen& pen, int style)
{
    // The dash patterns of the Windows cosmetic pens, in pixels.
    switch (style) {
    case 1:
        pen.setDashPattern({18, 6});
        break;
    case 2:
        pen.setDashPattern({3, 3});
        break;
    case 3:
        pen.setDashPattern({9, 6, 3, 6});
        break;
    case 4:
        pen.setDashPattern({9, 3, 3, 3, 3, 3});
        break;
    case 5:
        pen.setStyle(Qt::NoPen);
        break;
    default:
        pen.setStyle(Qt::SolidLine);
        break;
    }
}

} // namespace ql::curvegraph
