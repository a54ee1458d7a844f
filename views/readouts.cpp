#include "views/readouts.h"
#include "platform/prompter.h"

#include "controls/lcdisp.h"
#include "panel/devctrl.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainterPath>
#include <QScreen>

namespace ql {

namespace {

constexpr int kAlpha = 200;
constexpr int kCorner = 30;

void setTextColor(QLabel* l, uint32_t colorref)
{
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, ColorFromRef(colorref));
    l->setPalette(pal);
}

void setLit(LCDisp* d, QLabel* l, uint32_t colorref)
{
    d->setSegmentLitColor(colorref);
    d->setSegmentLitColorNeg(colorref);
    setTextColor(l, colorref);
}

} // namespace

FloatReadout::FloatReadout(bool meter, const ViewHost& host, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(meter ? QStringLiteral("frmMeter") : QStringLiteral("frmDisp"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);

    auto* g = new QGridLayout(this);
    g->setContentsMargins(14, 8, 14, 14);
    lblTitle = new QLabel(QStringLiteral("QL-R26B"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblTitle->setAlignment(Qt::AlignCenter);
    lblTitle->installEventFilter(this);
    g->addWidget(lblTitle, 0, 0, 1, 2);
    const auto line = [this](const char* name) {
        auto* f = new QFrame(this);
        f->setObjectName(QLatin1String(name));
        f->setFrameShape(QFrame::HLine);
        return f;
    };
    Line1 = line("Line1");
    g->addWidget(Line1, 1, 0, 1, 2);
    int row = 2;
    const auto readout = [&](const char* lcd, const char* lbl, const QString& unit, LCDisp** d, QLabel** l) {
        *d = new LCDisp(this);
        (*d)->setObjectName(QLatin1String(lcd));
        (*d)->setNumDigits(6);
        (*d)->setShowExponent(false);
        (*d)->setMinimumSize(150, 34);
        (*d)->setValue(QStringLiteral("0.000"));
        *l = new QLabel(unit, this);
        (*l)->setObjectName(QLatin1String(lbl));
        (*l)->installEventFilter(this);
        g->addWidget(*d, row, 0);
        g->addWidget(*l, row, 1);
        ++row;
        if (row == 5) {
            Line2 = line("Line2");
            g->addWidget(Line2, row++, 0, 1, 2);
        }
    };
    readout("lcdCurM", "lblCurM", QStringLiteral(" A"), &lcdCurM, &lblCurM);
    readout("lcdVolM", "lblVolM", QStringLiteral(" V"), &lcdVolM, &lblVolM);
    readout("lcdPwrM", "lblPwrM", QStringLiteral(" W"), &lcdPwrM, &lblPwrM);
    readout("lcdD1M", "lblD1M", meter ? QStringLiteral("D+") : QStringLiteral("Ah"), &lcdD1M, &lblD1M);
    readout("lcdD2M", "lblD2M", meter ? QStringLiteral("D-") : QStringLiteral("Wh"), &lcdD2M, &lblD2M);
    adjustSize();

    // Load: a third of the free width from the left, half the free height from the top.
    if (const QScreen* s = screen()) {
        const QRect r = s->availableGeometry();
        move(r.x() + (r.width() - width()) / 3, r.y() + (r.height() - height()) / 2);
    }
    if (const DevCtrl* p = host.DevCount() > 0 ? host.panel(0) : nullptr) {
        setLit(lcdCurM, lblCurM, p->CurColor());
        setLit(lcdVolM, lblVolM, p->VolColor());
        setLit(lcdPwrM, lblPwrM, p->PwrColor());
    }
    setWindowOpacity(kAlpha / 255.0);
}

void FloatReadout::Form_Activate()
{
    raise();
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), kCorner / 2.0, kCorner / 2.0);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}

bool FloatReadout::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate || e->type() == QEvent::Show)
        Form_Activate();
    return QWidget::event(e);
}

void FloatReadout::LabelDblClick(QLabel* label)
{
    const int c = PickColor();
    if (c == -1)
        return;
    const auto color = uint32_t(c);
    if (label == lblTitle) {
        setTextColor(lblTitle, color);
        for (QFrame* f : {Line1, Line2}) {
            QPalette pal = f->palette();
            pal.setColor(QPalette::WindowText, ColorFromRef(color));
            f->setPalette(pal);
        }
        return;
    }
    const std::array<std::pair<QLabel*, LCDisp*>, 5> pairs{
        {{lblCurM, lcdCurM}, {lblVolM, lcdVolM}, {lblPwrM, lcdPwrM}, {lblD1M, lcdD1M}, {lblD2M, lcdD2M}}};
    for (const auto& [l, d] : pairs)
        if (l == label)
            setLit(d, l, color);
}

bool FloatReadout::eventFilter(QObject* watched, QEvent* event)
{
    auto* label = qobject_cast<QLabel*>(watched);
    if (!label)
        return QWidget::eventFilter(watched, event);
    const auto* me = dynamic_cast<QMouseEvent*>(event);
    if (!me)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonDblClick:
        // frmMeter answers only on the title and the D+/D- labels.
        if (objectName() == QLatin1String("frmDisp") || label == lblTitle || label == lblD1M || label == lblD2M)
            LabelDblClick(label);
        return true;
    case QEvent::MouseButtonPress:
        if (label == lblTitle) {
            dragging_ = true;
            grab_ = me->globalPosition().toPoint();
        }
        break;
    case QEvent::MouseMove:
        if (label == lblTitle && dragging_) {
            const QPoint now = me->globalPosition().toPoint();
            move(pos() + (now - grab_));
            grab_ = now;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (label == lblTitle)
            dragging_ = false;
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void FloatReadout::setValues(const ReadoutValues& v, bool withTitle)
{
    if (withTitle)
        lblTitle->setText(v.title);
    lcdCurM->setValue(v.cur);
    lcdVolM->setValue(v.vol);
    lcdPwrM->setValue(v.pwr);
    lcdD1M->setValue(v.d1);
    lcdD2M->setValue(v.d2);
}

FloatingReadouts::FloatingReadouts(std::shared_ptr<ViewHost> host, QObject* parent)
    : QObject(parent), host_(std::move(host))
{
}

FloatingReadouts::~FloatingReadouts()
{
    delete disp_.data();
    delete meter_.data();
}

frmDisp* FloatingReadouts::loadDisp()
{
    if (!disp_)
        disp_ = new frmDisp(*host_);
    return disp_;
}

void FloatingReadouts::showDisp(bool show)
{
    if (show)
        loadDisp()->show();
    else if (disp_)
        disp_->hide();
}

void FloatingReadouts::showMeter(bool show)
{
    if (show) {
        if (!meter_) {
            meter_ = new frmMeter(*host_);
            meter_->setAttribute(Qt::WA_DeleteOnClose);
        }
        meter_->show();
    } else if (meter_) {
        meter_->hide();
    }
}

void FloatingReadouts::unloadMeter()
{
    if (meter_)
        delete meter_.data();
}

void FloatingReadouts::dispValues(const ReadoutValues& v) { loadDisp()->setValues(v, true); }

void FloatingReadouts::meterValues(const ReadoutValues& v)
{
    if (meter_)
        meter_->setValues(v, false);
}

} // namespace ql
