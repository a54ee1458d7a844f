#include "views/viewerdialogs.h"

#include "controls/curvegraph.h"
#include "platform/numfmt.h"
#include "platform/prompter.h"
#include "platform/services.h"

#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

namespace ql {

namespace {

QColor FromColorRef(uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

void CentreOnScreen(QWidget* w)
{
    w->adjustSize();
    if (const QScreen* s = w->screen()) {
        const QRect r = s->availableGeometry();
        w->move(r.x() + (r.width() - w->width()) / 2, r.y() + (r.height() - w->height()) / 2);
    }
}

// A field's text as a number: the whole text (blanks around it aside) must
// be one, as typed ("1.5", or "1,5" under a locale with a decimal comma);
// "" and "1.2.3" are not.
bool Number(const QString& text, double* v)
{
    const std::optional<double> d = ParseNumber(text);
    if (!d)
        return false;
    *v = *d;
    return true;
}

const QString& NotNumber()
{
    static const QString s = QString::fromUtf8("设置数据有误！");
    return s;
}

} // namespace

// ------------------------------------------------------------- frmType

frmType::frmType(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmType"));
    setWindowTitle(QStringLiteral("Curve Type"));
    optVT = new QRadioButton(QStringLiteral("V--A--Second"), this);
    optVT->setObjectName(QStringLiteral("optVT"));
    optVC = new QRadioButton(QStringLiteral("V--A--mAh"), this);
    optVC->setObjectName(QStringLiteral("optVC"));
    optVT->setChecked(true);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(optVT);
    lay->addWidget(optVC);
    lay->addWidget(cmdOK, 0, Qt::AlignHCenter);
    connect(cmdOK, &QPushButton::clicked, this, &frmType::cmdOK_Click);
    CentreOnScreen(this);
}

void frmType::cmdOK_Click()
{
    xcap_ = optVC->isChecked();
    accept();
}

// ------------------------------------------------------------- frmColor

frmColor::frmColor(CurveGraph& chart, QWidget* parent) : QDialog(parent), chart_(chart)
{
    setObjectName(QStringLiteral("frmColor"));
    setWindowTitle(QStringLiteral("Curve Color"));
    setWindowFlag(Qt::WindowStaysOnTopHint);

    auto swatch = [this](const char* name) {
        auto* l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(name));
        l->setFixedSize(48, 20);
        l->setFrameShape(QFrame::Box);
        l->setAutoFillBackground(true);
        l->setCursor(Qt::PointingHandCursor);
        l->installEventFilter(this);
        return l;
    };
    lblVolColor = swatch("lblVolColor");
    lblCurColor = swatch("lblCurColor");
    txtVol = new QLineEdit(this);
    txtVol->setObjectName(QStringLiteral("txtVol"));
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Volt:"), this), 0, 0);
    grid->addWidget(lblVolColor, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Curr:"), this), 1, 0);
    grid->addWidget(lblCurColor, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Legend:"), this), 2, 0);
    grid->addWidget(txtVol, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 3, 0, 1, 2);

    connect(cmdOK, &QPushButton::clicked, this, &frmColor::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    // Load: the curves the reader has just reserved for the new file.
    volIdx_ = chart_.CurveCount() - 5;
    curIdx_ = chart_.CurveCount() - 4;
    if (volIdx_ < 0) {  // a chart of fewer than five curves has no file slots
        volIdx_ = 0;
        curIdx_ = std::min(1, chart_.CurveCount() - 1);
    }
    volColor_ = chart_.CurveLineColor(volIdx_);
    curColor_ = chart_.CurveLineColor(curIdx_);
    paintSwatch(lblVolColor, volColor_);
    paintSwatch(lblCurColor, curColor_);
    try {
        txtVol->setText(chart_.LegendText(volIdx_));
    } catch (const std::exception&) {
        txtVol->clear();  // a legend never set reads as empty
    }
    CentreOnScreen(this);
}

void frmColor::paintSwatch(QLabel* swatch, uint32_t color)
{
    QPalette p = swatch->palette();
    p.setColor(QPalette::Window, FromColorRef(color));
    swatch->setPalette(p);
}

bool frmColor::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == lblVolColor) {
            lblVolColor_Click();
            return true;
        }
        if (watched == lblCurColor) {
            lblCurColor_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmColor::lblVolColor_Click()
{
    const int c = ql::PickColor();
    if (c == -1)
        return;
    volColor_ = uint32_t(c) & 0xFFFFFF;
    paintSwatch(lblVolColor, volColor_);
}

void frmColor::lblCurColor_Click()
{
    const int c = ql::PickColor();
    if (c == -1)
        return;
    curColor_ = uint32_t(c) & 0xFFFFFF;
    paintSwatch(lblCurColor, curColor_);
}

void frmColor::cmdOK_Click()
{
    chart_.setCurveLineColor(volIdx_, volColor_);
    chart_.setCurveLineColor(curIdx_, curColor_);
    chart_.setLegendText(volIdx_, txtVol->text());
    accept();
}

// ------------------------------------------------------------- frmCurve2

QString AxisFieldCheck(AxisField f, const QString& text, QString* rewrite)
{
    double v = 0;
    if (!Number(text, &v))
        return NotNumber();
    const bool time = f == fTime || f == fTime2;
    const bool cur = f == fCL || f == fCH;
    const double hi = time ? 60000 : 100;
    if (v < 0 || v > hi)
        return time ? QString::fromUtf8("时间坐标设置超出范围")
               : cur ? QString::fromUtf8("电流坐标设置超出范围")
                     : QString::fromUtf8("电压坐标设置超出范围");
    if (rewrite)
        *rewrite = Format(v, time ? QStringLiteral("0") : QStringLiteral("0.0"));
    return QString();
}

QString AxisRangesCheck(const std::array<QString, kAxisFields>& texts, AxisRanges* out)
{
    double v[kAxisFields] = {};
    for (int i = 0; i < kAxisFields; ++i)
        if (!Number(texts[size_t(i)], &v[i]))
            return NotNumber();
    const AxisRanges r{v[fVL], v[fVH], v[fCL], v[fCH], v[fTime], v[fTime2]};
    auto out100 = [](double x) { return x < 0 || x > 100; };
    if (out100(r.CL) || out100(r.CH))
        return QString::fromUtf8("电流坐标设置超出范围");
    if (out100(r.VL) || out100(r.VH))
        return QString::fromUtf8("电压坐标设置超出范围");
    // Spans are reckoned on the decimals as typed: 1.0 to 1.1 is 0.1 wide.
    if (DecimalSumCompare(r.CL, 0.1, r.CH) >= 0)
        return QString::fromUtf8("电流轴范围需大于等于") + Format(0.1, QStringLiteral("0.0")) + QLatin1Char('A');
    if (DecimalSumCompare(r.VL, 0.1, r.VH) >= 0)
        return QString::fromUtf8("电压轴范围需大于等于") + Format(0.1, QStringLiteral("0.0")) + QLatin1Char('V');
    if (r.Time < 0 || r.Time > 60000 || r.Time2 < 0 || r.Time2 > 60000)
        return QString::fromUtf8("时间坐标设置超出范围");
    if (DecimalSumCompare(r.Time, 10.0, r.Time2) >= 0)
        return QString::fromUtf8("时间轴范围需大于等于") + QStringLiteral("10") + QLatin1Char('S');
    if (out)
        *out = r;
    return QString();
}

frmCurve2::frmCurve2(CurveGraph& chart, QWidget* parent) : QDialog(parent), chart_(chart)
{
    setObjectName(QStringLiteral("frmCurve2"));
    setWindowTitle(QStringLiteral("Curve Coordinate Settings"));
    setWindowFlag(Qt::WindowStaysOnTopHint);

    static const char* const names[kAxisFields] = {"txtVL", "txtVH", "txtCL", "txtCH", "txtTime", "txtTime2"};
    for (int i = 0; i < kAxisFields; ++i) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(names[i]));
        e->setMaximumWidth(80);
        e->installEventFilter(this);
        fields_[size_t(i)] = e;
    }
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    // The buttons take no focus, so pressing them never runs a field check
    // first; OK checks every field anyway.
    cmdOK->setFocusPolicy(Qt::NoFocus);
    cmdCancel->setFocusPolicy(Qt::NoFocus);

    auto* grid = new QGridLayout(this);
    const char* const rows[3] = {"Voltage:", "Current:", "Time:"};
    for (int r = 0; r < 3; ++r) {
        grid->addWidget(new QLabel(QString::fromLatin1(rows[r]), this), r, 0);
        grid->addWidget(fields_[size_t(2 * r)], r, 1);
        grid->addWidget(new QLabel(QStringLiteral("--"), this), r, 2);
        grid->addWidget(fields_[size_t(2 * r + 1)], r, 3);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 3, 0, 1, 4);

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    // Load: the chart's present ranges.
    fields_[fVL]->setText(Format(chart_.MinY(0), QStringLiteral("0.0")));
    fields_[fVH]->setText(Format(chart_.MaxY(0), QStringLiteral("0.0")));
    fields_[fCL]->setText(Format(chart_.MinY(1), QStringLiteral("0.0")));
    fields_[fCH]->setText(Format(chart_.MaxY(1), QStringLiteral("0.0")));
    fields_[fTime]->setText(QString::number(double(chart_.MinX())));
    fields_[fTime2]->setText(QString::number(double(chart_.MaxX())));
    CentreOnScreen(this);
}

void frmCurve2::fail(const QString& message)
{
    prompter().Message(Lang(message), Lang(QString::fromUtf8("提示")), Prompter::OkOnly, Prompter::Critical);
}

bool frmCurve2::FieldLostFocus(AxisField f)
{
    QLineEdit* e = fields_[size_t(f)];
    QString rewrite;
    const QString msg = AxisFieldCheck(f, e->text(), &rewrite);
    if (msg.isEmpty()) {
        e->setText(rewrite);
        return true;
    }
    fail(msg);
    // Back to the field once the focus change that led here has finished.
    QTimer::singleShot(0, e, [e] { e->setFocus(Qt::OtherFocusReason); });
    return false;
}

bool frmCurve2::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Only a move to another control of this dialog is a lost focus; a
        // message box or another window taking the focus is not.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            for (int i = 0; i < kAxisFields; ++i)
                if (watched == fields_[size_t(i)]) {
                    FieldLostFocus(AxisField(i));
                    break;
                }
    }
    return QDialog::eventFilter(watched, event);
}

bool frmCurve2::cmdOK_Click()
{
    std::array<QString, kAxisFields> texts;
    for (int i = 0; i < kAxisFields; ++i)
        texts[size_t(i)] = fields_[size_t(i)]->text();
    AxisRanges r;
    const QString msg = AxisRangesCheck(texts, &r);
    if (!msg.isEmpty()) {
        fail(msg);
        return false;
    }
    chart_.setMinY(0, float(r.VL));
    chart_.setMaxY(0, float(r.VH));
    chart_.setMinY(1, float(r.CL));
    chart_.setMaxY(1, float(r.CH));
    chart_.setMinX(float(r.Time));
    chart_.setMaxX(float(r.Time2));
    chart_.DrawCurve();
    accept();
    return true;
}

} // namespace ql
