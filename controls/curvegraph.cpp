// Curve chart: data model, members, layout of the child elements and mouse
// handling. The drawing passes are in curvegraphdraw.cpp.
#include "controls/curvegraph.h"

#include "controls/curvegraphmath.h"
#include "controls/curvegraphparts.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace ql {

using namespace curvegraph;

namespace {
constexpr uint32_t kBlue = 0xFF0000;
constexpr uint32_t kRed = 0x0000FF;
constexpr int kTitleTop = 10;

[[noreturn]] void subscriptError(const char* what)
{
    throw std::out_of_range(std::string("Subscript out of range: ") + what);
}

[[noreturn]] void boundError() { throw std::logic_error("curve drawn from a bound series"); }

void setTextColor(QWidget* w, uint32_t colorRef)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, ToQColor(colorRef));
    w->setPalette(pal);
}
} // namespace

// ---------------------------------------------------------------- children

namespace curvegraph {

Surface::Surface(CurveGraph* owner, QWidget* parent) : QWidget(parent), owner_(owner)
{
    setMouseTracking(true);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
}

void Surface::paintEvent(QPaintEvent*)
{
    owner_->compose();
    if (picture && !picture->isNull()) {
        QPainter p(this);
        p.drawImage(0, 0, *picture);
    }
}

void Surface::mousePressEvent(QMouseEvent* e) { owner_->surfacePress(e); }
void Surface::mouseMoveEvent(QMouseEvent* e) { owner_->surfaceMove(e); }
void Surface::mouseReleaseEvent(QMouseEvent* e) { owner_->surfaceRelease(e); }
// A double click on the plot does nothing (and is not a second press).
void Surface::mouseDoubleClickEvent(QMouseEvent*) {}

TitleLabel::TitleLabel(CurveGraph* owner, QWidget* parent) : QLabel(parent), owner_(owner) {}

void TitleLabel::mouseDoubleClickEvent(QMouseEvent*) { emit owner_->DblClick(); }

LegendLabel::LegendLabel(CurveGraph* owner, int index, QWidget* parent)
    : QLabel(parent), owner_(owner), index_(index)
{
}

void LegendLabel::mousePressEvent(QMouseEvent* e) { owner_->legendPress(index_, e); }
void LegendLabel::mouseMoveEvent(QMouseEvent* e) { owner_->legendMove(index_, e); }
void LegendLabel::mouseReleaseEvent(QMouseEvent* e) { owner_->legendRelease(index_, e); }
void LegendLabel::mouseDoubleClickEvent(QMouseEvent*) { emit owner_->LblClick(index_); }

OutlineBox::OutlineBox(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void OutlineBox::setColor(const QColor& c)
{
    color_ = c;
    update();
}

void OutlineBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(QPen(color_, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, width() - 1, height() - 1);
}

} // namespace curvegraph

// ---------------------------------------------------------------- creation

CurveGraph::CurveGraph(QWidget* parent) : QWidget(parent)
{
    picGraph_ = new Surface(this, this);
    picGraph_->setObjectName(QStringLiteral("picGraph"));
    picGraph_->picture = &screen_;
    repaintTimer_ = new QTimer(this);
    repaintTimer_->setSingleShot(true);
    connect(repaintTimer_, &QTimer::timeout, picGraph_, qOverload<>(&QWidget::update));

    lblTitle_ = new TitleLabel(this, picGraph_);
    lblTitle_->setObjectName(QStringLiteral("lblTitle"));
    QFont tf = lblTitle_->font();
    tf.setBold(true);
    tf.setPointSizeF(tf.pointSizeF() > 0 ? tf.pointSizeF() * 1.25 : 11);
    lblTitle_->setFont(tf);
    setTextColor(lblTitle_, axesColor_);

    lblDisp_ = new QLabel(picGraph_);
    lblDisp_->setObjectName(QStringLiteral("lblDisp"));
    lblDisp_->setAttribute(Qt::WA_TransparentForMouseEvents);
    lblDisp_->setAutoFillBackground(true);
    lblDisp_->setMargin(2);
    lblDisp_->hide();

    line1_ = new QWidget(picGraph_);
    line1_->setObjectName(QStringLiteral("Line1"));
    line1_->setAttribute(Qt::WA_TransparentForMouseEvents);
    line1_->setAutoFillBackground(true);
    QPalette lp = line1_->palette();
    lp.setColor(QPalette::Window, Qt::black);
    line1_->setPalette(lp);
    line1_->hide();

    shpRect_ = new OutlineBox(picGraph_);
    shpRect_->setObjectName(QStringLiteral("shpRect"));
    shpRect_->hide();

    hScroll1_ = new QScrollBar(Qt::Horizontal, this);
    hScroll1_->setObjectName(QStringLiteral("HScroll1"));
    hScroll1_->setMinimum(0);
    hScroll1_->setSingleStep(1);
    hScroll1_->setPageStep(1);
    hScroll1_->hide();
    connect(hScroll1_, &QScrollBar::valueChanged, this, [this](int v) { scrolled(v); });

    setTitleText(QStringLiteral("QL Tester Software"));
    ensureLegend(0);
    setCurveCount(5);
    placeSurface();
}

CurveGraph::~CurveGraph() = default;

void CurveGraph::ensureLegend(int i)
{
    while (int(lblLegend_.size()) <= i) {
        const int index = int(lblLegend_.size());
        auto* lbl = new LegendLabel(this, index, picGraph_);
        lbl->setObjectName(QStringLiteral("lblLegend%1").arg(index));
        // A new label starts where label 0 stands, as a copy of it would.
        if (index > 0)
            lbl->move(lblLegend_[0]->pos());
        lbl->hide();
        auto* frame = new OutlineBox(picGraph_);
        frame->setObjectName(QStringLiteral("ShapeLegend%1").arg(index));
        frame->setColor(ToQColor(InvertColor(backColor_)));
        frame->hide();
        lblLegend_.push_back(lbl);
        shapeLegend_.push_back(frame);
    }
}

// ---------------------------------------------------------------- data model

const CurveGraph::Curve& CurveGraph::curve(int index) const
{
    if (index < 0 || index >= int(curves_.size()))
        subscriptError("curve");
    return curves_[size_t(index)];
}

CurveGraph::Curve& CurveGraph::curve(int index)
{
    if (index < 0 || index >= int(curves_.size()))
        subscriptError("curve");
    return curves_[size_t(index)];
}

CurveGraph::Curve& CurveGraph::ownCurve(int index)
{
    Curve& c = curve(index);
    if (c.bound)
        boundError();
    return c;
}

void CurveGraph::checkAxis(int axis)
{
    if (axis < 0 || axis >= kAxes)
        subscriptError("axis");
}

size_t CurveGraph::checkedAxis(int axis)
{
    checkAxis(axis);
    return size_t(axis);
}

void CurveGraph::AddXY(int Curve, float X, float Y)
{
    auto& c = ownCurve(Curve);
    const bool wasSorted = c.own.sortedX();
    c.own.push_back({X, Y});
    if (wasSorted && !c.own.sortedX())
        forget(c);
}

void CurveGraph::Clear(int Curve)
{
    auto& c = ownCurve(Curve);
    c.own.clear();
    forget(c);
}

void CurveGraph::BindCurve(int Curve, const PointSeries* series)
{
    auto& c = curve(Curve);
    c.bound = series;
    forget(c);
}

int CurveGraph::DpCnt(int Curve) const { return int(curve(Curve).points().size()); }

float CurveGraph::DpX(int Curve, int Index) const
{
    const PointSeries& pts = curve(Curve).points();
    if (Index < 0 || size_t(Index) >= pts.size())
        subscriptError("point");
    return pts[size_t(Index)].X;
}

float CurveGraph::DpY(int Curve, int Index) const
{
    const PointSeries& pts = curve(Curve).points();
    if (Index < 0 || size_t(Index) >= pts.size())
        subscriptError("point");
    return pts[size_t(Index)].Y;
}

void CurveGraph::setDpY(int Curve, int Index, float Y)
{
    auto& c = ownCurve(Curve);
    if (Index < 0 || size_t(Index) >= c.own.size())
        subscriptError("point");
    c.own.setY(size_t(Index), Y);
    forget(c);
}

uint32_t CurveGraph::CurveLineColor(int Curve) const { return curve(Curve).color; }

void CurveGraph::setCurveLineColor(int Curve, uint32_t color)
{
    curve(Curve).color = color;
    if (size_t(Curve) < lblLegend_.size())
        setTextColor(lblLegend_[size_t(Curve)], color);
}

int CurveGraph::CurveAxesY(int Curve) const { return curve(Curve).axis; }

void CurveGraph::setCurveAxesY(int Curve, int axis)
{
    auto& c = curve(Curve);
    checkAxis(axis);
    c.axis = axis;
}

bool CurveGraph::ShowCurve(int Curve) const { return curve(Curve).show; }
void CurveGraph::setShowCurve(int Curve, bool on) { curve(Curve).show = on; }

bool CurveGraph::ShowLegend(int Curve) const { return curve(Curve).legend; }

void CurveGraph::setShowLegend(int Curve, bool on)
{
    curve(Curve).legend = on;
    ensureLegend(Curve);
    auto* lbl = lblLegend_[size_t(Curve)];
    const bool changed = lbl->isHidden() == on;
    lbl->setVisible(on);
    if (Curve == 2)
        resizeLayout();
    else if (changed)
        stackLegends();
}

float CurveGraph::MaxY(int axis) const { return maxY_[checkedAxis(axis)]; }
void CurveGraph::setMaxY(int axis, float v) { maxY_[checkedAxis(axis)] = v; }
float CurveGraph::MinY(int axis) const { return minY_[checkedAxis(axis)]; }
void CurveGraph::setMinY(int axis, float v) { minY_[checkedAxis(axis)] = v; }

void CurveGraph::setBackColor(uint32_t color)
{
    backColor_ = color;
    const QColor inv = ToQColor(InvertColor(color));
    for (auto* f : shapeLegend_)
        f->setColor(inv);
}

QString CurveGraph::LegendText(int Index) const
{
    curve(Index);
    const QString caption = size_t(Index) < lblLegend_.size() ? lblLegend_[size_t(Index)]->text() : QString();
    if (caption.size() < 5)
        throw std::invalid_argument("Invalid procedure call or argument: legend text never set");
    return caption.mid(5);
}

void CurveGraph::setLegendText(int Index, const QString& text)
{
    const auto& c = curve(Index);
    ensureLegend(Index);
    auto* lbl = lblLegend_[size_t(Index)];
    lbl->setText(QStringLiteral("---- ") + text);
    setTextColor(lbl, c.color);
    lbl->adjustSize();
    layoutLegend(Index);
    stackLegends();
}

QString CurveGraph::TitleText() const { return lblTitle_->text(); }

void CurveGraph::setTitleText(const QString& text)
{
    lblTitle_->setText(text);
    lblTitle_->adjustSize();
    lblTitle_->move((surfaceWidth() - lblTitle_->width()) / 2, kTitleTop);
    lblTitle_->raise();
}

void CurveGraph::setAxesColor(uint32_t color)
{
    axesColor_ = color;
    setTextColor(lblTitle_, color);
}

void CurveGraph::setShowAxesY1(bool on) { showAxesY1_ = on; }
void CurveGraph::setShowAxesY2(bool on) { showAxesY2_ = on; }

void CurveGraph::setCurveCount(int count)
{
    const int n = std::clamp(count, 1, kMaxCurves);
    legendState_.assign(size_t(n), LegendState{});
    curves_.resize(size_t(n));
    for (auto& c : curves_)
        c.legend = false;
    // Default colours of the last channel's voltage and current curves; with
    // fewer than five curves the step addresses curves that do not exist.
    if (n - 5 >= 0)
        setCurveLineColor(n - 5, kBlue);
    if (n - 4 >= 0)
        setCurveLineColor(n - 4, kRed);
    layoutLegends();
    while (int(lblLegend_.size()) > n) {
        delete lblLegend_.back();
        delete shapeLegend_.back();
        lblLegend_.pop_back();
        shapeLegend_.pop_back();
    }
}

void CurveGraph::setLarge(bool on)
{
    large_ = on;
    if (!on && zoomSaved_) {
        minX_ = fullMinX_;
        maxX_ = fullMaxX_;
        for (int a = 0; a < 2; ++a) {
            minY_[a] = fullMinY_[a];
            maxY_[a] = fullMaxY_[a];
        }
        zoomSaved_ = false;
    }
    placeSurface();
}

// ---------------------------------------------------------------- layout

int CurveGraph::surfaceWidth() const { return picGraph_->width(); }
int CurveGraph::surfaceHeight() const { return picGraph_->height(); }

void CurveGraph::placeSurface()
{
    if (large_) {
        const int sb = hScroll1_->sizeHint().height();
        picGraph_->setGeometry(0, 0, width(), std::max(0, height() - sb));
        hScroll1_->setGeometry(0, picGraph_->height(), picGraph_->width(), sb);
        hScroll1_->show();
    } else {
        picGraph_->setGeometry(0, 0, width(), height());
        hScroll1_->hide();
    }
}

void CurveGraph::resizeEvent(QResizeEvent*) { resizeLayout(); }

void CurveGraph::resizeLayout()
{
    placeSurface();
    const int W = surfaceWidth();
    const int H = surfaceHeight();
    lblTitle_->move((W - lblTitle_->width()) / 2, kTitleTop);

    const int n = CurveCount();
    ensureLegend(n - 1);
    auto* first = lblLegend_[0];
    if (!legendState_[0].userPlaced)
        first->move(W - ((showAxesY1_ && showAxesY2_) ? 170 : 120), 73);
    layoutLegend(0);
    QWidget* ref = first;
    for (int i = 1; i < n; ++i) {
        auto* lbl = lblLegend_[size_t(i)];
        if (!lbl->isHidden() && !legendState_[size_t(i)].userPlaced) {
            lbl->move(first->x(), ref->y() + ref->height() + 5);
            ref = lbl;
        }
        layoutLegend(i);
    }
    line1_->setGeometry(line1_->x(), 41, 1, std::max(0, H - 51 - 41));

    Initialize_DrawCurve();
    DrawCurve();
}

void CurveGraph::layoutLegends()
{
    const int n = CurveCount();
    ensureLegend(n - 1);
    auto* first = lblLegend_[0];
    first->move(surfaceWidth() - 120, 73);
    first->setVisible(curves_[0].legend);
    layoutLegend(0);
    QWidget* ref = first;
    for (int i = 1; i < n; ++i) {
        auto* lbl = lblLegend_[size_t(i)];
        if (!lbl->isHidden()) {
            lbl->move(first->x(), ref->y() + ref->height() + 5);
            ref = lbl;
        }
        lbl->setVisible(curves_[size_t(i)].legend);
        layoutLegend(i);
    }
    stackLegends();
}

// Shown labels the user has not dragged stand in one column under label 0,
// five pixels apart, so that no two of them overlap.
void CurveGraph::stackLegends()
{
    if (lblLegend_.empty())
        return;
    const QWidget* first = lblLegend_[0];
    const QWidget* ref = first;
    for (size_t i = 1; i < lblLegend_.size() && i < legendState_.size(); ++i) {
        auto* lbl = lblLegend_[i];
        if (lbl->isHidden() || legendState_[i].userPlaced)
            continue;
        lbl->move(first->x(), ref->y() + ref->height() + 5);
        ref = lbl;
        layoutLegend(int(i));
    }
}

void CurveGraph::layoutLegend(int i)
{
    if (i < 0 || size_t(i) >= legendState_.size() || size_t(i) >= lblLegend_.size())
        return;
    const QRect r = lblLegend_[size_t(i)]->geometry();
    legendState_[size_t(i)].rect = r;
    auto* frame = shapeLegend_[size_t(i)];
    frame->setGeometry(r);
    frame->hide();
    frame->setColor(ToQColor(InvertColor(backColor_)));
}

// ---------------------------------------------------------------- cursor and zoom

void CurveGraph::surfacePress(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    const int x = pos.x(), y = pos.y();
    const int W = surfaceWidth(), H = surfaceHeight(), m = margin_;
    if (e->button() == Qt::RightButton) {
        if (x > 50 && x < W - m && y > 40 && y < H - 50) {
            showReadout(x);
            placeCursor(x, y);
        }
    } else if (e->button() == Qt::LeftButton && size_ && x < W - m && y < H - 50) {
        if (!large_) {
            shpRect_->setGeometry(std::max(x, 50), std::max(y, 40), 0, 0);
            shpRect_->show();
            shpRect_->raise();
        } else {
            unzoom();
        }
    }
}

void CurveGraph::surfaceMove(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    int x = pos.x(), y = pos.y();
    const int W = surfaceWidth(), H = surfaceHeight(), m = margin_;
    if (!shpRect_->isHidden()) {
        x = std::min(x, W - m);
        y = std::min(y, H - 50);
        QRect r = shpRect_->geometry();
        if (x > r.x())
            r.setWidth(x - r.x());
        if (y > r.y())
            r.setHeight(y - r.y());
        shpRect_->setGeometry(r);
    } else if (!line1_->isHidden()) {
        if (x > 50 && x < W - m && y > 40 && y < H - 50) {
            showReadout(x);
            placeCursor(x, y);
        }
    }
}

void CurveGraph::surfaceRelease(QMouseEvent*)
{
    if (!shpRect_->isHidden()) {
        const QRect band = shpRect_->geometry();
        if (band.width() > 10 && band.height() > 10)
            zoomTo(band);
    }
    shpRect_->hide();
    line1_->hide();
    lblDisp_->hide();
}

void CurveGraph::placeCursor(int x, int y)
{
    const int W = surfaceWidth(), H = surfaceHeight(), m = margin_;
    line1_->setGeometry(x, 41, 1, std::max(0, H - 51 - 41));
    line1_->show();
    line1_->raise();
    const int w = lblDisp_->width();
    const int left = (x + 5 + w >= W - m) ? x - 5 - w : x + 5;
    lblDisp_->move(left, y - 20);
    lblDisp_->show();
    lblDisp_->raise();
}

void CurveGraph::showReadout(int x)
{
    const int W = surfaceWidth(), m = margin_;
    const int plotW = W - 50 - m;
    if (plotW <= 0)
        return;
    const auto target = ToInt(double(x - 50) * (double(maxX_) - double(minX_)) / plotW + double(minX_));
    if (!target)
        return;
    double value[4] = {0, 0, 0, 0};
    const int shown[4] = {0, 1, 3, 4};
    for (int k = 0; k < 4; ++k) {
        if (shown[k] >= CurveCount())
            continue;
        const auto& pts = curves_[size_t(shown[k])].points();
        const size_t step = size_t(DecimationStep(int64_t(pts.size()), W));
        for (size_t j = 0; j < pts.size(); j += step) {
            if (pts[j].X >= float(*target)) {
                value[k] = pts[j].Y;
                break;
            }
        }
    }
    QString text = ReadoutText(value[0], value[1], value[2], value[3]);
    text.replace(QChar(13), QLatin1Char('\n'));
    lblDisp_->setText(text);
    lblDisp_->adjustSize();
}

void CurveGraph::zoomTo(const QRect& band)
{
    if (!scalesValid_)
        return;
    const double H = surfaceHeight();
    const double L = band.x(), T = band.y(), Wr = band.width(), Hr = band.height();
    const auto newMinX = ToInt((L - 50) * xScale_ + minX_);
    const auto newMaxX = ToInt((L + Wr - 50) * xScale_ + minX_);
    // A band narrower than one X unit would make a window of no width.
    if (!newMinX || !newMaxX || *newMaxX <= *newMinX)
        return;
    const double w = double(*newMaxX) - double(*newMinX);
    const auto scrollMax = ToInt((double(maxX_) - double(minX_)) * 10 / w);
    const auto scrollValue = ToInt((double(*newMinX) - double(minX_)) * 10 / w);
    if (!scrollMax || !scrollValue)
        return;

    fullMinX_ = minX_;
    fullMaxX_ = maxX_;
    for (int a = 0; a < 2; ++a) {
        fullMinY_[a] = minY_[a];
        fullMaxY_[a] = maxY_[a];
        minY_[a] = float((H - T - Hr - 50) * yScale_[a] + fullMinY_[a]);
        maxY_[a] = float((H - T - 50) * yScale_[a] + fullMinY_[a]);
    }
    minX_ = float(*newMinX);
    maxX_ = float(*newMaxX);
    large_ = true;
    zoomSaved_ = true;
    zoomWidth_ = maxX_ - minX_;

    {
        const QSignalBlocker block(hScroll1_);
        hScroll1_->setMinimum(0);
        hScroll1_->setMaximum(*scrollMax >= 11 ? *scrollMax - 10 : *scrollMax);
        hScroll1_->setValue(*scrollValue);
    }
    placeSurface();
    DrawCurve();
}

void CurveGraph::unzoom()
{
    setLarge(false);
    DrawCurve();
}

void CurveGraph::scrolled(int value)
{
    if (!large_ || !zoomSaved_)
        return;
    const double w = zoomWidth_;
    const auto shift = ToInt(double(value) * w);
    if (!shift)
        return;
    float mn = fullMinX_ + float(*shift / 10);
    if (mn >= fullMaxX_)
        mn = fullMaxX_ - zoomWidth_;
    float mx = mn + zoomWidth_;
    const auto whole = ToInt(mx);
    if (whole && *whole % 2 != 0)
        mx += 1;
    if (mx > fullMaxX_)
        mx = fullMaxX_;
    minX_ = mn;
    maxX_ = mx;
    DrawCurve();
}

// ---------------------------------------------------------------- legend drag

void CurveGraph::legendPress(int i, QMouseEvent* e)
{
    if (size_t(i) >= legendState_.size())
        return;
    auto& st = legendState_[size_t(i)];
    st.dragging = false;
    if (e->button() != Qt::LeftButton)
        return;
    st.dragging = true;
    const QPoint p = picGraph_->mapFromGlobal(e->globalPosition()).toPoint();
    st.grab = p - st.rect.topLeft();
    auto* frame = shapeLegend_[size_t(i)];
    frame->setGeometry(st.rect);
    frame->show();
    frame->raise();
}

void CurveGraph::legendMove(int i, QMouseEvent* e)
{
    if (size_t(i) >= legendState_.size() || !legendState_[size_t(i)].dragging)
        return;
    const QPoint p = picGraph_->mapFromGlobal(e->globalPosition()).toPoint();
    shapeLegend_[size_t(i)]->move(p - legendState_[size_t(i)].grab);
}

void CurveGraph::legendRelease(int i, QMouseEvent*)
{
    if (size_t(i) >= legendState_.size() || !legendState_[size_t(i)].dragging)
        return;
    auto& st = legendState_[size_t(i)];
    st.dragging = false;
    auto* frame = shapeLegend_[size_t(i)];
    frame->hide();
    // Snap to a 5-pixel grid (toward zero, as whole-number division does).
    const int left = frame->x() / 5 * 5;
    const int top = frame->y() / 5 * 5;
    frame->move(left, top);
    st.rect = QRect(left, top, frame->width(), frame->height());
    lblLegend_[size_t(i)]->setGeometry(st.rect);
    st.userPlaced = true;
}

} // namespace ql
