#include "tools/frmadj.h"

#include "controls/windowkeys.h"
#include "link/frames.h"
#include "link/modeltable.h"
#include "link/state.h"
#include "panel/seqif.h"
#include "platform/numfmt.h"
#include "platform/prompter.h"
#include "platform/rounding.h"
#include "platform/services.h"
#include "tools/toolhost.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace ql {

float AdjCurScale(int devType, int fwVersion, int curFactor)
{
    return float(curFactor) * (AdjInTenths(devType, fwVersion) ? 10.0f : 1.0f);
}

frmAdj::frmAdj(ToolHost& host, QWidget* parent) : QWidget(parent, Qt::Window), host_(host)
{
    CloseOnEscape(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowTitle(QStringLiteral("Parameter Calibration"));

    auto row = [this](QGridLayout* g, int r, const QString& label, const QString& unit, QLineEdit*& txt,
                      QPushButton*& cmd) {
        g->addWidget(new QLabel(label), r, 0);
        txt = new QLineEdit(QStringLiteral("00.000"));
        txt->installEventFilter(this);
        g->addWidget(txt, r, 1);
        g->addWidget(new QLabel(unit), r, 2);
        cmd = new QPushButton(QStringLiteral("Calibration"));
        cmd->setEnabled(false);
        g->addWidget(cmd, r, 3);
    };
    auto* frmVol = new QGroupBox(QStringLiteral("Voltage Calibration"));
    auto* gv = new QGridLayout(frmVol);
    row(gv, 0, QStringLiteral("Low Volt:"), QStringLiteral("V"), txtVL, cmdVL);
    row(gv, 1, QStringLiteral("High Volt:"), QStringLiteral("V"), txtVH, cmdVH);
    auto* frmCur = new QGroupBox(QStringLiteral("Current Calibration"));
    auto* gc = new QGridLayout(frmCur);
    row(gc, 0, QStringLiteral("Low Curr:"), QStringLiteral("A"), txtCL, cmdCL);
    row(gc, 1, QStringLiteral("High Curr:"), QStringLiteral("A"), txtCH, cmdCH);
    txtCL->setText(QStringLiteral("00.00"));
    txtCH->setText(QStringLiteral("00.00"));
    cmdOK = new QPushButton(QStringLiteral("OK"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"));
    auto* g = new QGridLayout(this);
    g->addWidget(frmVol, 0, 0, 1, 2);
    g->addWidget(frmCur, 1, 0, 1, 2);
    g->addWidget(cmdOK, 2, 0);
    g->addWidget(cmdCancel, 2, 1);

    connect(cmdVL, &QPushButton::clicked, this, [this] { cmdPoint_Click(VoltLow); });
    connect(cmdVH, &QPushButton::clicked, this, [this] { cmdPoint_Click(VoltHigh); });
    connect(cmdCL, &QPushButton::clicked, this, [this] { cmdPoint_Click(CurLow); });
    connect(cmdCH, &QPushButton::clicked, this, [this] { cmdPoint_Click(CurHigh); });
    connect(cmdOK, &QPushButton::clicked, this, &frmAdj::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAdj::cmdCancel_Click);

    // Form_Load: set up for the selected slot and channel.
    slot_ = host_.CurDev();
    const RunFieldsIf* fields = host_.Fields(slot_);
    chn_ = fields ? fields->ChnIndex() : 0;
    QString caption = Lang(QStringLiteral("Calibration--Device") + QString::number(slot_ + 1));
    if (host_.Dev2S(slot_))
        caption += QStringLiteral("-Channel") + QString::number(chn_ + 1);
    setWindowTitle(caption);
    const SlotState& st = host_.Link().slot.at(size_t(slot_));
    CurScale = AdjCurScale(st.DevType, st.FwVersion, st.CurFactor);
    CurFmt = CurScale == 100 ? QStringLiteral("0.00") : CurScale == 1000 ? QStringLiteral("0.000")
                                                                          : QStringLiteral("0.0000");
    VolFmt = QStringLiteral("0.000");
    cmdOK->setEnabled(false);
    for (int p = VoltLow; p <= CurHigh; ++p) {
        QLineEdit* t = field(p);
        t->setText(Format(Val(t->text()), p <= VoltHigh ? VolFmt : CurFmt));
    }
    adjustSize();
    if (QScreen* s = screen())
        move(s->geometry().center() - rect().center());
}

QLineEdit* frmAdj::field(int point) const
{
    switch (point) {
    case VoltLow: return txtVL;
    case VoltHigh: return txtVH;
    case CurLow: return txtCL;
    default: return txtCH;
    }
}

void frmAdj::setAdjButtonEnabled(const QString& name, bool enabled)
{
    if (name == QLatin1String("cmdVL"))
        cmdVL->setEnabled(enabled);
    else if (name == QLatin1String("cmdVH"))
        cmdVH->setEnabled(enabled);
    else if (name == QLatin1String("cmdCL"))
        cmdCL->setEnabled(enabled);
    else if (name == QLatin1String("cmdCH"))
        cmdCH->setEnabled(enabled);
}

bool frmAdj::txt_LostFocus(int point)
{
    QLineEdit* t = field(point);
    const SlotState& st = host_.Link().slot.at(size_t(slot_));
    const float limit = point <= VoltHigh ? st.MaxVol : st.MaxCur;
    const auto v = ParseNumber(t->text());
    const char* refusal = !v ? "Invalid value!" : (*v < 0 || *v > limit) ? "Setting value out of range!" : nullptr;
    if (refusal) {
        ShowPrompt(QString::fromLatin1(refusal), Prompter::Critical);
        QTimer::singleShot(0, t, [t] { t->setFocus(); });
        return false;
    }
    t->setText(Format(*v, point <= VoltHigh ? VolFmt : CurFmt));
    return true;
}

bool frmAdj::cmdPoint_Click(int point)
{
    const bool volt = point <= VoltHigh;
    const auto v = ParseNumber(field(point)->text());
    if (!v) {
        ShowPrompt(QStringLiteral("Invalid value!"), Prompter::Critical);
        return false;
    }
    const SlotState& st = host_.Link().slot.at(size_t(slot_));
    const float value = float(*v);
    const float limit = volt ? st.MaxVol : st.MaxCur;
    const QString out = QStringLiteral("Setting value out of range!");
    if (value < 0 || value > limit) {
        ShowPrompt(out, Prompter::Critical);
        return false;
    }
    // The device's own reading, as its readout shows it, must agree within 10 %.
    const ChanState& c = host_.Link().ch(slot_, chn_);
    const float reading = volt ? c.VoltShown : c.CurShown;
    const float lo = 0.9f * reading, hi = 1.1f * reading;
    if (value < lo || value > hi) {
        ShowPrompt(out, Prompter::Critical);
        return false;
    }
    const double raw = RoundHalfEven(double(value) * (volt ? 1000.0 : double(CurScale)));
    // A value the frame cannot carry never leaves the program.
    const auto frame = CalibFrame(chn_, point, int64_t(raw));
    if (!frame) {
        ShowPrompt(out, Prompter::Critical);
        return false;
    }
    WriteFrame(host_.Link(), slot_, *frame);
    cmdOK->setEnabled(true);
    return true;
}

void frmAdj::cmdOK_Click()
{
    if (const auto frame = CalibFrame(chn_, Store, 0))
        WriteFrame(host_.Link(), slot_, *frame);
    close();
}

void frmAdj::cmdCancel_Click()
{
    close();
}

void frmAdj::endCalibration()
{
    if (ended_)
        return;
    ended_ = true;
    host_.Link().AdjOpen = false;
    host_.setChnEnable(slot_, true);
}

void frmAdj::showEvent(QShowEvent* e)
{
    ended_ = false;
    host_.Link().AdjOpen = true;
    QWidget::showEvent(e);
}

void frmAdj::closeEvent(QCloseEvent* e)
{
    endCalibration();
    QWidget::closeEvent(e);
}

bool frmAdj::eventFilter(QObject* watched, QEvent* e)
{
    // Leaving a field for another control of the program checks it; focus
    // lost to a message box or another window does not.
    if (e->type() == QEvent::FocusOut && !checking_) {
        const auto reason = static_cast<QFocusEvent*>(e)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            for (int p = VoltLow; p <= CurHigh; ++p) {
                if (watched == field(p)) {
                    checking_ = true;
                    txt_LostFocus(p);
                    checking_ = false;
                }
            }
        }
    }
    return QWidget::eventFilter(watched, e);
}

} // namespace ql
