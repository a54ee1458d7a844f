#pragma once
// Pieces shared by the files of the device panel (DevCtrl): the receive lamp,
// layout lengths, colours and the small widget builders.
#include "panel/devctrl.h"

#include "controls/flexgrid.h"
#include "controls/lcdisp.h"
#include "controls/tabstrip.h"
#include "link/runtrack.h"
#include "platform/rounding.h"
#include "platform/services.h"
#include "platform/twips.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <cmath>
#include <stdexcept>

namespace ql {

// The receive indicator: a small round lamp, filled while lit.
class RecvLed : public QWidget {
public:
    explicit RecvLed(QWidget* parent) : QWidget(parent) {}
    bool lit() const { return lit_; }
    void setLit(bool on)
    {
        if (lit_ != on) {
            lit_ = on;
            update();
        }
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
        p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.2));
        p.setBrush(lit_ ? QColor(0x20, 0xD0, 0x20) : QColor(Qt::transparent));
        p.drawEllipse(r);
    }

private:
    bool lit_ = false;
};

namespace devctrlparts {

// Layout lengths are given in twips, as the panel was drawn.
constexpr int px(int twips) { return TwipsToPixels(twips); }

constexpr uint32_t kVolColor = 0x00FF0000;
constexpr uint32_t kCurColor = 0x000000FF;
constexpr uint32_t kPwrColor = 0x00008080;
constexpr uint32_t kTimeColor = 0x00008080;
constexpr uint32_t kBurnIn = 0x00E0E0E0;
constexpr uint32_t kFieldBack = 0x00E0E0E0;

inline QColor Ref(uint32_t ref)
{
    return QColor(int(ref & 0xFF), int((ref >> 8) & 0xFF), int((ref >> 16) & 0xFF));
}

inline uint32_t ToRef(const QColor& c)
{
    return uint32_t(c.red()) | (uint32_t(c.green()) << 8) | (uint32_t(c.blue()) << 16);
}

inline QString FieldStyle()
{
    const QColor b = Ref(kFieldBack);
    return QStringLiteral("QLineEdit { background: %1; border: 1px solid #8a8a8a; padding: 0 2px; }"
                          "QLineEdit:disabled { color: #808080; background: #ececec; }"
                          "QLineEdit[readOnly=\"true\"] { background: white; }")
        .arg(b.name());
}

inline QLabel* Label(QWidget* parent, const QString& text, QRect geo, Qt::Alignment align = Qt::AlignLeft)
{
    auto* l = new QLabel(text, parent);
    l->setGeometry(geo);
    l->setAlignment(align | Qt::AlignVCenter);
    return l;
}

inline QLineEdit* Field(QWidget* parent, QRect geo)
{
    auto* e = new QLineEdit(parent);
    e->setGeometry(geo);
    e->setAlignment(Qt::AlignCenter);
    return e;
}

inline QPushButton* Button(QWidget* parent, const QString& text, QRect geo)
{
    auto* b = new QPushButton(text, parent);
    b->setGeometry(geo);
    return b;
}

inline QComboBox* Combo(QWidget* parent, QRect geo, bool editable)
{
    auto* c = new QComboBox(parent);
    c->setEditable(editable);
    c->setGeometry(geo);
    c->setInsertPolicy(QComboBox::NoInsert);
    return c;
}

inline QGroupBox* Frame(QWidget* parent, const QString& caption, int x, int y, int w, int h)
{
    auto* g = new QGroupBox(caption, parent);
    g->setGeometry(px(x), px(y), px(w), px(h));
    return g;
}

// A grid filling a page-wide frame below its caption, h pixels high.
inline FlexGrid* GridIn(QGroupBox* frame, int h)
{
    auto* g = new FlexGrid(frame);
    g->setGeometry(6, 20, px(3375) - 12, h);
    return g;
}

// Segment geometry of a readout: segment length and thickness, gap
// between digits, for the main and the exponent digits.
struct ReadoutGeom {
    int h, w, gap;
    int hExp = 0, wExp = 0, gapExp = 0;
};

// Width and height of one digit cell in the readout's bevelled style.
inline int CellW(int h, int w) { return h + 2 * w - 3; }
inline int CellH(int h, int w) { return 2 * h + 3 * w - 4; }

// A readout set up as the panel shows them: light unlit segments on a white
// face, four main digits centred in the box and, for the time, two exponent
// digits after them, aligned at the bottom.
inline LCDisp* Readout(QWidget* parent, QRect geo, int expDigits, const ReadoutGeom& g, uint32_t lit, const QString& value)
{
    auto* d = new LCDisp(parent);
    d->setGeometry(geo);
    d->setBackColor1(0x00FFFFFF);
    d->setBackColor2(0x00FFFFFF);
    d->setBorderWidth(1);
    d->setBorderColor(0x00B0B0B0);
    d->setSegmentFillStyle(1);
    d->setNumDigits(4);
    d->setSegmentHeight(g.h);
    d->setSegmentWidth(g.w);
    d->setInterDigitGap(g.gap);
    const int mantW = 4 * CellW(g.h, g.w) + 3 * g.gap;
    const int mantH = CellH(g.h, g.w);
    int total = mantW;
    d->setShowExponent(expDigits > 0);
    if (expDigits > 0) {
        d->setNumDigitsExp(expDigits);
        d->setSegmentHeightExp(g.hExp);
        d->setSegmentWidthExp(g.wExp);
        d->setInterDigitGapExp(g.gapExp);
        total += g.gap + expDigits * CellW(g.hExp, g.wExp) + (expDigits - 1) * g.gapExp;
    }
    const int x0 = std::max(0, (geo.width() - total) / 2);
    const int y0 = std::max(0, (geo.height() - mantH) / 2);
    d->setXOffset(x0);
    d->setYOffset(y0);
    if (expDigits > 0) {
        d->setXOffsetExp(x0 + mantW + g.gap);
        d->setYOffsetExp(y0 + mantH - CellH(g.hExp, g.wExp));
    }
    d->setBurnInColor(kBurnIn);
    d->setBurnInColorNeg(kBurnIn);
    d->setSegmentLitColor(lit);
    d->setSegmentLitColorNeg(lit);
    d->setValue(value);
    return d;
}

inline QPixmap DefaultLogo()
{
    QPixmap pm(80, 64);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x1E, 0x4E, 0x8C), 2));
    p.setBrush(QColor(0xEA, 0xF1, 0xFA));
    p.drawRoundedRect(QRectF(2, 4, 76, 56), 9, 9);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(30);
    p.setFont(f);
    p.setPen(QColor(0x1E, 0x4E, 0x8C));
    p.drawText(QRectF(2, 4, 76, 40), Qt::AlignCenter, QStringLiteral("QL"));
    f.setPixelSize(10);
    f.setBold(false);
    p.setFont(f);
    p.drawText(QRectF(2, 40, 76, 16), Qt::AlignCenter, QStringLiteral("TESTER"));
    return pm;
}

inline QString TabCaption(int index, const QString& key)
{
    if (index == 1)
        return Lang(QStringLiteral("Single Test"));
    if (index == 2 && key == QLatin1String("key2"))
        return Lang(QStringLiteral("Auto Test"));
    return Lang(QStringLiteral("Cycle Test"));
}

// Column widths of a grid whose first column is fixed and whose other
// columns share what is left, rounded to the nearest twip, ties to even.
inline int ShareTwips(int total, int parts)
{
    return int(RoundHalfEven(double(total) / parts));
}

// Adds an entry without choosing one: a list with nothing chosen stays so.
inline void AddKeepingChoice(QComboBox* c, const QString& item)
{
    const QSignalBlocker block(c);
    const int before = c->currentIndex();
    const QString text = c->isEditable() ? c->currentText() : QString();
    c->addItem(item);
    if (before < 0) {
        c->setCurrentIndex(-1);
        if (c->isEditable())
            c->setEditText(text);
    }
}

inline void ClearList(QComboBox* c)
{
    const QSignalBlocker block(c);
    c->clear();
}

inline void SetComboText(QComboBox* c, const QString& text)
{
    const QSignalBlocker block(c);
    const int i = c->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (i >= 0)
        c->setCurrentIndex(i);
    else
        c->setCurrentIndex(-1);
    c->setEditText(text);
}

} // namespace devctrlparts
} // namespace ql
