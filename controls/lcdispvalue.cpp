// The seven-segment readout: drawing the value. Only the cells, marks and
// separators that changed are drawn again and handed to update().
#include "controls/lcdisp.h"

#include "controls/devicepixels.h"
#include "controls/lcdispshapes.h"
#include "platform/numfmt.h"

#include <QPainter>

#include <algorithm>

namespace ql {

using namespace lcdisp;

namespace {

QString rightAligned(const QString& text, int cells)
{
    return (QString(cells, QLatin1Char(' ')) + text).right(cells);
}

const QChar kRedrawAll(0xFFFF);  // never equal to a shown character

} // namespace

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

void LCDisp::restoreBackground(const QRect& r) { restoreBackground(QRegion(ToDevice(r, ratio_))); }

void LCDisp::dirty(const QRect& r)
{
    pendingUpdate_ += r;
}

void LCDisp::paintSegment(const ShapeSet& set, int shape, int x, int y, bool lit)
{
    const QPoint at = toDevice(QPoint(x, y));
    const QRegion rgn = set.shape[size_t(shape)].translated(at);
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
        p.drawImage(at, *shade);
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
    if (stale()) {
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
    if (!pendingUpdate_.isEmpty())
        update(pendingUpdate_);
}

void LCDisp::drawMantissa(QString text, bool force)
{
    drawingExp_ = false;
    const bool repaintMarks = force || prevMant_.isEmpty() || prevMant_.at(0) == kRedrawAll;
    if (p_.ShowThousandsSeparator)
        drawSeparators(text, repaintMarks);
    drawPoint(text, repaintMarks);
    drawColon(text, repaintMarks);

    const int n = p_.NumDigits;
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

// Thousands separators: one after every G-th digit left of the point.
void LCDisp::drawSeparators(const QString& text, bool repaintMarks)
{
    const int n = p_.NumDigits;
    const int w = rowMant_.w;
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
        const QRegion shape = mant_.shape[9].translated(toDevice(at));
        const bool changed = repaintMarks || sepFlags_[size_t(i)] != prevSepFlags_[size_t(i)];
        if (sepFlags_[size_t(i)]) {
            paintSegment(mant_, 9, at.x(), at.y(), true);
        } else if (form == 0) {
            restoreBackground(shape);
        } else {
            restoreBackground(QRect(at, QSize(w, w)));
        }
        if (changed)
            dirty(ToLogical(shape.boundingRect(), ratio_) | QRect(at, QSize(w, w)));
    }
    prevSepFlags_ = sepFlags_;
}

// Decimal point: a "." or, in a text without one, a ","; taken out of text.
void LCDisp::drawPoint(QString& text, bool repaintMarks)
{
    const int n = p_.NumDigits;
    const int w = rowMant_.w;
    const int pointForm = p_.DecimalSeparator == 0 ? 0 : 1;
    const QPoint oldPoint = pointAt_;
    if (pointAt_.x() >= 0) {
        if (pointForm == 0)
            restoreBackground(mant_.shape[8].translated(toDevice(pointAt_)));
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
                dirty(ToLogical(mant_.shape[8].translated(toDevice(at)).boundingRect(), ratio_) |
                      QRect(at, QSize(w, w)));
    }
}

// Colon; taken out of text.
void LCDisp::drawColon(QString& text, bool repaintMarks)
{
    const int n = p_.NumDigits;
    const int w = rowMant_.w;
    const auto oldColon = colonAt_;
    for (const QPoint& at : colonAt_)
        if (at.x() >= 0)
            restoreBackground(QRect(at, QSize(w, w)));
    colonAt_ = {QPoint(-1, 0), QPoint(-1, 0)};
    const int p = text.indexOf(QLatin1Char(':'));
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
                    dirty(ToLogical(mant_.shape[8].translated(toDevice(at)).boundingRect(), ratio_) |
                          QRect(at, QSize(w, w)));
    }
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

    QRect area =
        row.style == 0 ? QRect(x, bw, row.cellW, std::max(height(), 1) - 2 * bw) : QRect(x, y, row.cellW, row.cellH);
    restoreBackground(area);
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
