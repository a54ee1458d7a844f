#include "views/frmcurve.h"

#include "controls/curvegraph.h"
#include "controls/windowkeys.h"
#include "link/valuecheck.h"
#include "platform/numfmt.h"
#include "platform/prompter.h"
#include "platform/settings.h"

#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace ql {

namespace {

const QString kTitle = QStringLiteral("提示");
const QString kNotNumber = QStringLiteral("设置数据有误！");
const QString kVoltRange = QStringLiteral("电压坐标设置超出范围");
const QString kCurRange = QStringLiteral("电流坐标设置超出范围");
const QString kTimeRange = QStringLiteral("时间坐标设置超出范围");

QString voltSpanMsg() { return QStringLiteral("电压轴范围需大于等于") + Format(0.1, "0.0") + QStringLiteral("V"); }
QString curSpanMsg() { return QStringLiteral("电流轴范围需大于等于") + Format(0.1, "0.0") + QStringLiteral("A"); }
QString timeSpanMsg() { return QStringLiteral("时间轴范围需大于等于") + QStringLiteral("10") + QStringLiteral("S"); }

bool number(const QLineEdit* f, double* v) { return ParseFieldNumber(f->text(), v); }

// A time value as a plain number: whole seconds without decimals.
QString plain(float v) { return QString::number(double(v), 'g', 7); }

} // namespace

frmCurve::frmCurve(std::shared_ptr<ViewHost> host, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), host_(std::move(host))
{
    CloseOnEscape(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmCurve"));
    setWindowTitle(QStringLiteral("Coordinate Settings"));
    auto* grid = new QGridLayout(this);
    const auto field = [this, grid](const char* name, const char* caption, int row, int col) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        e->installEventFilter(this);
        grid->addWidget(new QLabel(QString::fromUtf8(caption), this), row, col * 2);
        grid->addWidget(e, row, col * 2 + 1);
        return e;
    };
    txtVL = field("txtVL", "Volt(V) Low:", 0, 0);
    txtVH = field("txtVH", "High:", 0, 1);
    txtCL = field("txtCL", "Cur(A) Low:", 1, 0);
    txtCH = field("txtCH", "High:", 1, 1);
    txtTime = field("txtTime", "Time(S) Start:", 2, 0);
    txtTime2 = field("txtTime2", "End:", 2, 1);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    // Cancel takes no focus, so leaving a field with bad text for it runs no check.
    cmdCancel->setFocusPolicy(Qt::NoFocus);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 3, 0, 1, 4);
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, &frmCurve::cmdCancel_Click);

    const CurveGraph* g = host_->chart(host_->CurDev());
    txtVL->setText(Format(g->MinY(0), "0.0"));
    txtVH->setText(Format(g->MaxY(0), "0.0"));
    txtCL->setText(Format(g->MinY(1), "0.0"));
    txtCH->setText(Format(g->MaxY(1), "0.0"));
    txtTime->setText(plain(g->MinX()));
    txtTime2->setText(plain(g->MaxX()));
    adjustSize();
}

void frmCurve::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (const QScreen* s = screen()) {
        const QRect r = s->availableGeometry();
        move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 2);
    }
}

void frmCurve::tell(const QString& text) { MsgBox(text, kTitle, Prompter::OkOnly, Prompter::Critical); }

bool frmCurve::FieldLostFocus(QLineEdit* f)
{
    const bool time = f == txtTime || f == txtTime2;
    const bool volt = f == txtVL || f == txtVH;
    double v = 0;
    bool ok = true;
    if (!number(f, &v)) {
        tell(kNotNumber);
        ok = false;
    } else if (v < 0 || v > (time ? double(kTimeAxisMax) : double(kAxisMax))) {
        tell(time ? kTimeRange : volt ? kVoltRange : kCurRange);
        ok = false;
    }
    if (!ok) {
        f->setFocus();
        return false;
    }
    f->setText(Format(v, time ? "0" : "0.0"));
    return true;
}

bool frmCurve::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut && !checking_) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Only the user moving on runs the check, not a message box or another window.
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::MouseFocusReason) {
            checking_ = true;
            FieldLostFocus(static_cast<QLineEdit*>(watched));
            checking_ = false;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool frmCurve::cmdOK_Click()
{
    double vl = 0, vh = 0, cl = 0, ch = 0, t0 = 0, t1 = 0;
    if (!number(txtVL, &vl) || !number(txtVH, &vh) || !number(txtCL, &cl) || !number(txtCH, &ch) ||
        !number(txtTime, &t0) || !number(txtTime2, &t1)) {
        tell(kNotNumber);
        return false;
    }
    const auto in = [](double v, double hi) { return v >= 0 && v <= hi; };
    QString msg;
    if (!in(cl, kAxisMax) || !in(ch, kAxisMax))
        msg = kCurRange;
    else if (!in(vl, kAxisMax) || !in(vh, kAxisMax))
        msg = kVoltRange;
    // Spans are reckoned on the decimals as typed: 0.6 to 0.7 is 0.1 wide.
    else if (DecimalSumCompare(cl, kAxisMinSpan, ch) > 0)
        msg = curSpanMsg();
    else if (DecimalSumCompare(vl, kAxisMinSpan, vh) > 0)
        msg = voltSpanMsg();
    else if (!in(t0, kTimeAxisMax) || !in(t1, kTimeAxisMax))
        msg = kTimeRange;
    else if (DecimalSumCompare(t0, double(kTimeAxisMinSpan), t1) > 0)
        msg = timeSpanMsg();
    if (!msg.isEmpty()) {
        tell(msg);
        return false;
    }
    // Kept as typed, in the program's form ("1,5" typed under a German locale as "1.5").
    for (QLineEdit* f : {txtVL, txtVH, txtCL, txtCH, txtTime, txtTime2})
        f->setText(PointForm(f->text()));
    // Applied all the same, but not kept when the save fails.
    settings().SaveAxisRanges(txtVL->text(), txtVH->text(), txtCL->text(), txtCH->text(), txtTime->text(),
                              txtTime2->text(), TellUnlessWritten);
    for (int n = 0; n < host_->DevCount(); ++n) {
        CurveGraph* g = host_->chart(n);
        g->setMinY(0, float(vl));
        g->setMaxY(0, float(vh));
        g->setMinY(1, float(cl));
        g->setMaxY(1, float(ch));
        g->setMinX(float(t0));
        g->setMaxX(float(t1));
        g->DrawCurve();
    }
    close();
    return true;
}

void frmCurve::cmdCancel_Click() { close(); }

QWidget* OpenAxisRanges(std::shared_ptr<ViewHost> host)
{
    QWidget* owner = host->window();
    return new frmCurve(std::move(host), owner);
}

} // namespace ql
